#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;

namespace onda {

class AppState;
class ServiceClient;

// frmLogin: the club's user id and PIN, checked with the service. Hidden, not closed,
// after OK and Cancel, so that its boxes keep the last values.
class LoginWindow : public QDialog {
    Q_OBJECT
public:
    LoginWindow(AppState& state, ServiceClient& client, QWidget* parent = nullptr);

    // Shows the window modally, placed at the centre of `anchor`; true after a successful check.
    bool run(QWidget* anchor);
    bool LoginSucceeded = false;

    QString userName() const;
    QString password() const;

private:
    void accept() override;
    void reject() override;
    void selectPin();

    AppState& m_state;
    ServiceClient& m_client;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_pin = nullptr;
};

} // namespace onda
