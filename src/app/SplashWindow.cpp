#include "app/SplashWindow.h"

#include "core/ProgramValues.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace onda {

namespace {

QLabel* addLabel(QWidget* parent, QLayout* layout, const QString& name, const QString& text, qreal scale = 1.0,
                 bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    layout->addWidget(label);
    return label;
}

} // namespace

SplashWindow::SplashWindow(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(kProgramTitle);
    setAccessibleName(kProgramTitle);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    frame->setLineWidth(2);
    outer->addWidget(frame);

    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(24, 20, 24, 16);
    addLabel(frame, layout, QStringLiteral("Iscri"), QStringLiteral("Iscrizioni on-line"), 1.3);
    addLabel(frame, layout, QStringLiteral("lblProductName"), kProgramTitle, 2.6, true);
    layout->addStretch();
    addLabel(frame, layout, QStringLiteral("lblVersion"), versionText(), 1.1);
    addLabel(frame, layout, QStringLiteral("lblPlatform"), QStringLiteral("Win 98-NT-2000-ME"));
    m_warning = addLabel(frame, layout, QStringLiteral("lblWarning"), kBuiltInAddress);
    m_warning->setTextInteractionFlags(Qt::NoTextInteraction);
    setFixedSize(460, 280);
}

void SplashWindow::setAddress(const QString& baseAddress) {
    m_warning->setText(baseAddress);
}

void SplashWindow::centreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

} // namespace onda
