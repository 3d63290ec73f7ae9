#pragma once

#include <QDialog>

namespace onda {

class Dialogs;

// frmAbout.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(QWidget* parent, Dialogs& dialogs);

    // Starts the platform's system information program; false when there is none.
    static bool startSystemInformation();

private:
    void showSystemInformation();

    Dialogs& m_dialogs;
};

} // namespace onda
