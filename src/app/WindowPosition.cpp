#include "app/WindowPosition.h"

#include "core/ProgramValues.h"

#include <QSettings>

namespace onda {

namespace {

const QString kSection = QStringLiteral("Settings");

// Far beyond any screen, yet far from overflowing a pixel coordinate.
constexpr double kLargestTwips = 1'000'000;

// A stored value replaces the default only when it is a number a window can take.
void readKey(QSettings& settings, const QString& key, int& value, bool isSize) {
    const QVariant stored = settings.value(key);
    if (!stored.isValid())
        return;
    bool ok = false;
    const double number = stored.toString().trimmed().toDouble(&ok);
    if (!ok || !(number >= (isSize ? 1 : -kLargestTwips) && number <= kLargestTwips))
        return;
    value = static_cast<int>(number);
}

} // namespace

WindowPosition readWindowPosition(QSettings& settings) {
    WindowPosition position;
    settings.beginGroup(kSection);
    readKey(settings, QStringLiteral("MainLeft"), position.left, false);
    readKey(settings, QStringLiteral("MainTop"), position.top, false);
    readKey(settings, QStringLiteral("MainWidth"), position.width, true);
    readKey(settings, QStringLiteral("MainHeight"), position.height, true);
    settings.endGroup();
    return position;
}

void writeWindowPosition(QSettings& settings, const QRect& framePixels) {
    settings.beginGroup(kSection);
    settings.setValue(QStringLiteral("MainLeft"), QString::number(pixelsToTwips(framePixels.x())));
    settings.setValue(QStringLiteral("MainTop"), QString::number(pixelsToTwips(framePixels.y())));
    settings.setValue(QStringLiteral("MainWidth"), QString::number(pixelsToTwips(framePixels.width())));
    settings.setValue(QStringLiteral("MainHeight"), QString::number(pixelsToTwips(framePixels.height())));
    settings.endGroup();
    settings.sync();
}

} // namespace onda
