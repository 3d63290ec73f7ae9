#include "app/ModeWindow.h"

#include "ui/WindowFit.h"
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

namespace onda {

namespace {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, bool wrap) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(wrap);
    return label;
}

} // namespace

ModeWindow::ModeWindow(QWidget* parent, const QString& onlineRefusal) : QDialog(parent) {
    setObjectName(QStringLiteral("frmModalita"));
    setWindowTitle(QStringLiteral("Seleziona la modalita' di utilizzo"));
    setModal(true);

    auto* layout = new QGridLayout(this);
    const auto addOption = [this, layout](int index, const QString& caption, const QString& explanation,
                                          QRadioButton*& option, QLabel*& label) {
        option = new QRadioButton(this);
        option->setObjectName(QStringLiteral("Option1_%1").arg(index));
        option->setAccessibleName(caption);
        label = makeLabel(this, QStringLiteral("Label2_%1").arg(index), caption, false);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->setBuddy(option);
        label->installEventFilter(this); // a click on the caption selects its option
        const int row = index * 2;
        layout->addWidget(option, row, 0);
        layout->addWidget(label, row, 1);
        QLabel* text = makeLabel(this, QStringLiteral("Label1_%1").arg(index), explanation, true);
        layout->addWidget(text, row + 1, 1);
    };
    addOption(
        0, QStringLiteral("ON-LINE:  Leggi le iscrizioni presenti sul sito"),
        QStringLiteral("Se vuoi puoi scaricare dal sito Ondaweb la definizione delle gare e le iscrizioni della "
                       "tua societa' per questa manifestazione (se ce ne sono) presenti ora sul sito. Devi essere "
                       "gia' collegato in Internet con il tuo computer."),
        m_online, m_onlineLabel);
    addOption(1, QStringLiteral("OFF-LINE: Utilizza le iscrizioni sul PC"),
              QStringLiteral("Puoi utilizzare la definizione delle gare che esiste gia' sul tuo computer per la "
                             "manifestazione e continuare le iscrizioni che hai gia' inserito. In questo caso puoi "
                             "essere scollegato da Internet"),
              m_offline, m_offlineLabel);

    // Only what can work is offered: ON-LINE stays in sight, disabled, with its reason.
    if (!onlineRefusal.isEmpty()) {
        for (QWidget* w : {static_cast<QWidget*>(m_online), static_cast<QWidget*>(m_onlineLabel)})
            w->setEnabled(false);
        auto* reason = makeLabel(this, QStringLiteral("MotivoOnLine"), onlineRefusal, true);
        layout->addWidget(reason, 0, 2);
        layout->setColumnStretch(2, 1);
        m_online->setAccessibleDescription(onlineRefusal);
        m_offline->setChecked(true);
    }

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1_0"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command1_1"));
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 4, 0, 1, -1);
    layout->setColumnStretch(1, 1);

    m_value = new QLabel(this);
    m_value->setObjectName(QStringLiteral("valore"));
    m_value->hide();

    // Neither option is set beforehand; OK without a choice means off-line.
    connect(ok, &QPushButton::clicked, this,
            [this] { answerWith(m_online->isChecked() ? OpeningMode::Online : OpeningMode::Offline); });
    connect(cancel, &QPushButton::clicked, this, &ModeWindow::reject);
    setTabOrder(m_online, m_offline);
    setTabOrder(m_offline, ok);
    setTabOrder(ok, cancel);
    (m_online->isEnabled() ? m_online : m_offline)->setFocus();
    resize(onlineRefusal.isEmpty() ? 520 : 700, sizeHint().height());
}

bool ModeWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == m_onlineLabel && m_online->isEnabled())
            m_online->setChecked(true);
        else if (watched == m_offlineLabel)
            m_offline->setChecked(true);
    }
    return QDialog::eventFilter(watched, event);
}

void ModeWindow::answerWith(OpeningMode mode) {
    m_answer = mode;
    m_value->setText(modeText(mode));
    if (mode == OpeningMode::Cancelled)
        QDialog::reject();
    else
        accept();
}

void ModeWindow::reject() {
    answerWith(OpeningMode::Cancelled);
}

OpeningMode ModeWindow::ask(QWidget* mainWindow, const QString& onlineRefusal) {
    ModeWindow window(mainWindow, onlineRefusal);
    if (mainWindow) {
        const QPoint corner = mainWindow->pos() + QPoint(mainWindow->width() / 2, mainWindow->height() / 2);
        placeOnScreen(&window, corner);
    }
    window.exec();
    // The keys go back to the window it was asked from, whether or not a window manager does it.
    if (mainWindow)
        mainWindow->activateWindow();
    return window.answer();
}

} // namespace onda
