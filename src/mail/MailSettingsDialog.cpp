#include "mail/MailSettingsDialog.h"

#include "ui/AccessibleNames.h"
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace onda {

namespace {

template <class Box> Box* addRow(QWidget* parent, QFormLayout* form, const QString& caption, const QString& name) {
    auto* box = new Box(parent);
    box->setObjectName(name);
    form->addRow(captionLabel(caption, box, parent), box);
    return box;
}

} // namespace

MailSettingsDialog::MailSettingsDialog(const MailSettings& settings, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMailSettings"));
    setWindowTitle(QStringLiteral("Impostazioni posta"));
    auto* form = new QFormLayout(this);
    m_server = addRow<QLineEdit>(this, form, QStringLiteral("&Server SMTP:"), QStringLiteral("txtServer"));
    m_port = addRow<QSpinBox>(this, form, QStringLiteral("&Porta:"), QStringLiteral("txtPort"));
    m_port->setRange(0, 65535);
    m_port->setSpecialValueText(QStringLiteral("predefinita"));
    m_security = addRow<QComboBox>(this, form, QStringLiteral("Si&curezza:"), QStringLiteral("cboSecurity"));
    m_security->addItems({QStringLiteral("Nessuna"), QStringLiteral("STARTTLS"), QStringLiteral("TLS")});
    m_account = addRow<QLineEdit>(this, form, QStringLiteral("&Utente:"), QStringLiteral("txtAccount"));
    m_password = addRow<QLineEdit>(this, form, QStringLiteral("Pass&word:"), QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_sender = addRow<QLineEdit>(this, form, QStringLiteral("&Mittente:"), QStringLiteral("txtSender"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_server->setText(settings.server);
    m_port->setValue(settings.port);
    m_security->setCurrentIndex(static_cast<int>(settings.security));
    m_account->setText(settings.account);
    m_password->setText(settings.password);
    m_sender->setText(settings.sender);
    setMinimumWidth(360);
}

MailSettings MailSettingsDialog::settings() const {
    MailSettings s;
    s.server = m_server->text().trimmed();
    s.port = m_port->value();
    s.security = static_cast<MailSettings::Security>(m_security->currentIndex());
    s.account = m_account->text();
    s.password = m_password->text();
    s.sender = m_sender->text().trimmed();
    return s;
}

bool MailSettingsDialog::edit(QWidget* parent) {
    MailSettingsDialog dialog(MailSettings::load(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.settings().save();
    return true;
}

} // namespace onda
