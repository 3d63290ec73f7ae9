#include "service/LoginWindow.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "service/OnlineImport.h"
#include "service/ServiceClient.h"
#include "ui/WindowFit.h"

#include "ui/AccessibleNames.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace onda {

LoginWindow::LoginWindow(AppState& state, ServiceClient& client, QWidget* parent)
    : QDialog(parent), m_state(state), m_client(client) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Login"));
    auto* layout = new QGridLayout(this);
    const auto addBox = [&](int row, const QString& caption, const QString& labelName, const QString& boxName) {
        auto* box = new QLineEdit(this);
        box->setObjectName(boxName);
        QLabel* label = captionLabel(caption, box, this);
        label->setObjectName(labelName);
        layout->addWidget(label, row, 0);
        layout->addWidget(box, row, 1);
        return box;
    };
    m_user = addBox(0, QStringLiteral("&User Name:"), QStringLiteral("lblLabels_0"), QStringLiteral("txtUserName"));
    m_pin = addBox(1, QStringLiteral("&PIN:"), QStringLiteral("lblLabels_1"), QStringLiteral("txtPassword"));
    m_pin->setEchoMode(QLineEdit::Password);
    auto* reminder =
        new QLabel(QStringLiteral("Ti ricordo che devi essere gia' collegato in Internet a questo momento !!!"), this);
    reminder->setObjectName(QStringLiteral("Label1"));
    reminder->setWordWrap(true);
    layout->addWidget(reminder, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 3, 0, 1, 2);
    connect(ok, &QPushButton::clicked, this, &LoginWindow::accept);
    connect(cancel, &QPushButton::clicked, this, &LoginWindow::reject);
    setModal(true);
}

QString LoginWindow::userName() const {
    return m_user->text();
}

QString LoginWindow::password() const {
    return m_pin->text();
}

bool LoginWindow::run(QWidget* anchor) {
    if (!m_state.userId.isEmpty())
        m_user->setText(m_state.userId);
    if (!m_state.pin.isEmpty())
        m_pin->setText(m_state.pin);
    if (anchor)
        placeOnScreen(this, anchor->mapToGlobal(anchor->rect().center()));
    LoginSucceeded = false;
    exec();
    return LoginSucceeded;
}

void LoginWindow::selectPin() {
    m_pin->setFocus();
    m_pin->selectAll();
}

void LoginWindow::accept() {
    m_state.userId = m_user->text();
    m_state.pin = m_pin->text();
    const LoginAnswer answer = m_client.loginCheck(m_state.userId, m_state.pin);
    switch (answer.verdict) {
    case LoginVerdict::Refused:
        m_state.dialogs.message(QStringLiteral("Attenzione: ") + answer.serviceMessage);
        selectPin();
        return;
    case LoginVerdict::Rejected:
        m_state.dialogs.message(QStringLiteral("Invalid Password, try again!"), Dialogs::Icon::None,
                                QStringLiteral("Login"));
        selectPin();
        return;
    case LoginVerdict::Accepted:
        break;
    }
    m_state.session.setClub(answer.club);
    LoginSucceeded = true;
    hide();
    QDialog::accept();
    // The login stands even when the file cannot keep it: the next start asks again.
    (void)OnlineImport(m_state.databasePath).storeLogin(m_state.club, m_user->text(), m_pin->text());
}

void LoginWindow::reject() {
    LoginSucceeded = false;
    QDialog::reject();
}

} // namespace onda
