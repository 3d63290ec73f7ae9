#include "AppHarness.h"

#include "app/MainWindow.h"
#include "app/WorkspaceWindow.h"
#include "entry/RegistrationWindow.h"

#include <QFile>
#include <QSettings>

AppHarness::AppHarness(const QString& programDirectory) : m_state(m_dialogs) {
    m_directory = programDirectory.isEmpty() ? m_ownDirectory.path() : programDirectory;
    if (!m_directory.endsWith(QLatin1Char('/')))
        m_directory += QLatin1Char('/');
    // The program recognises its directory by its own executable's name there.
    QFile marker(m_directory + QStringLiteral("ONDA_link"));
    if (!marker.exists() && marker.open(QIODevice::WriteOnly))
        marker.close();
    useSettingsFolder(m_settingsDirectory.path());

    m_options.arguments = {QStringLiteral("ONDA_link")};
    m_options.environment = onda::ProgramDirectoryEnvironment::inDirectory(m_directory);
    // Every reading of the clock moves it on a second: the splash wait ends at once.
    m_options.clock = [this] { return m_fakeTime += 1000; };
}

AppHarness::~AppHarness() {
    m_main.reset();
}

void AppHarness::useSettingsFolder(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

bool AppHarness::start(const QStringList& arguments) {
    m_options.arguments = QStringList{QStringLiteral("ONDA_link")} + arguments;
    m_main = onda::startProgram(m_state, m_options);
    if (m_main)
        m_dialogs.setParentWindow(m_main.get());
    return m_main != nullptr;
}

void AppHarness::stop() {
    if (m_main)
        m_main->close();
}

onda::WorkspaceWindow* AppHarness::workspace() const {
    return m_main ? m_main->workspaceWindow() : nullptr;
}

onda::RegistrationWindow* AppHarness::registration() const {
    return m_main ? m_main->registrationWindow() : nullptr;
}
