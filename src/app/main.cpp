#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/QtDialogs.h"
#include "app/Startup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(onda::kProgramTitle);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(onda::kVersionMajor)
                                            .arg(onda::kVersionMinor)
                                            .arg(onda::kVersionRevision));

    // Qt's own buttons and dialogs speak Italian whatever the system's language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    onda::AppState state;
    onda::QtDialogs dialogs;
    state.dialogs = &dialogs;

    onda::StartupOptions options;
    options.arguments = QApplication::arguments();
    std::unique_ptr<onda::MainWindow> mainWindow = onda::startProgram(state, options);
    if (!mainWindow)
        return 1;
    dialogs.setParentWindow(mainWindow.get());
    return QApplication::exec();
}
