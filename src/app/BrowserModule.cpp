#include "app/BrowserModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace onda {

namespace {

BrowserFactory g_factory = nullptr;

} // namespace

void setBrowserFactory(BrowserFactory factory) {
    g_factory = factory;
}

BrowserFactory browserFactory(QString& error) {
    if (g_factory)
        return g_factory;
    // Beside the program, where it was installed, or in the build tree for its tests.
    const QString executableDirectory = QCoreApplication::applicationDirPath();
    const QStringList directories = {executableDirectory, QStringLiteral(ONDA_INSTALLED_MODULE_DIR),
                                     QStringLiteral(ONDA_BUILD_MODULE_DIR)};
    for (const QString& directory : directories) {
        QLibrary module(QDir(directory).filePath(QStringLiteral("onda_browser")));
        if (!module.load()) {
            error = module.errorString();
            continue;
        }
        // Kept loaded: its windows live as long as the program.
        g_factory = reinterpret_cast<BrowserFactory>(module.resolve(kBrowserFactorySymbol));
        if (g_factory)
            return g_factory;
        error = module.errorString();
    }
    return nullptr;
}

} // namespace onda
