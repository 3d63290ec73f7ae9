#include "app/WindowPosition.h"

#include "app/AppState.h"

#include <QSettings>

namespace onda {

namespace {

const QString kSection = QStringLiteral("Settings");

void readKey(QSettings& settings, const QString& key, int& value)
{
    const QVariant stored = settings.value(key);
    if (!stored.isValid())
        return;
    bool ok = false;
    const double number = stored.toString().trimmed().toDouble(&ok);
    if (ok)
        value = static_cast<int>(number);
}

} // namespace

WindowPosition readWindowPosition(QSettings& settings)
{
    WindowPosition position;
    settings.beginGroup(kSection);
    readKey(settings, QStringLiteral("MainLeft"), position.left);
    readKey(settings, QStringLiteral("MainTop"), position.top);
    readKey(settings, QStringLiteral("MainWidth"), position.width);
    readKey(settings, QStringLiteral("MainHeight"), position.height);
    settings.endGroup();
    return position;
}

void writeWindowPosition(QSettings& settings, const QRect& framePixels)
{
    settings.beginGroup(kSection);
    settings.setValue(QStringLiteral("MainLeft"), QString::number(pixelsToTwips(framePixels.x())));
    settings.setValue(QStringLiteral("MainTop"), QString::number(pixelsToTwips(framePixels.y())));
    settings.setValue(QStringLiteral("MainWidth"), QString::number(pixelsToTwips(framePixels.width())));
    settings.setValue(QStringLiteral("MainHeight"), QString::number(pixelsToTwips(framePixels.height())));
    settings.endGroup();
    settings.sync();
}

QSettings* openProgramSettings()
{
    return new QSettings(QSettings::NativeFormat, QSettings::UserScope, kProgramTitle, kProgramTitle);
}

} // namespace onda
