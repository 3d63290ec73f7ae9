#include "app/AboutDialog.h"

#include "core/Dialogs.h"
#include "core/ProgramValues.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace onda {

AboutDialog::AboutDialog(QWidget* parent, Dialogs& dialogs) : QDialog(parent), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Pre-Tempra, dettagli"));
    setModal(true);

    auto* title = new QLabel(kProgramTitle, this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    auto* version = new QLabel(versionText(), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* description = new QLabel(QStringLiteral("Programma iscrizione atleti a gare di nuoto"), this);
    description->setObjectName(QStringLiteral("lblDescription"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    QPushButton* sysInfo =
        buttons->addButton(QStringLiteral("&Informazioni di sistema..."), QDialogButtonBox::ActionRole);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfo, &QPushButton::clicked, this, &AboutDialog::showSystemInformation);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(description);
    layout->addStretch();
    layout->addWidget(buttons);
    resize(420, 220);
}

bool AboutDialog::startSystemInformation() {
    const char* const programs[] = {"msinfo32", "hardinfo", "kinfocenter", "gnome-system-monitor"};
    for (const char* name : programs) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(name));
        if (!path.isEmpty() && QProcess::startDetached(path, {}))
            return true;
    }
    return false;
}

void AboutDialog::showSystemInformation() {
    if (startSystemInformation())
        return;
    m_dialogs.message(QStringLiteral("System Information Is Unavailable At This Time"));
}

} // namespace onda
