#pragma once

#include <QWidget>

class QLabel;

namespace onda {

// frmSplash: shown while the program starts.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

    void setAddress(const QString& baseAddress); // lblWarning
    void centreOnScreen();

private:
    QLabel* m_warning = nullptr;
};

} // namespace onda
