#pragma once

#include "mail/MailSession.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace onda {

// The user's mail server, account and sender address.
class MailSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit MailSettingsDialog(const MailSettings& settings, QWidget* parent = nullptr);
    MailSettings settings() const;

    // Shows the dialog on the stored settings and stores them on OK; true then.
    static bool edit(QWidget* parent);

private:
    QLineEdit* m_server;
    QSpinBox* m_port;
    QComboBox* m_security;
    QLineEdit* m_account;
    QLineEdit* m_password;
    QLineEdit* m_sender;
};

} // namespace onda
