#pragma once

#include "ScriptedDialogs.h"
#include "app/Startup.h"
#include "core/AppState.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace onda {
class MainWindow;
class WorkspaceWindow;
class RegistrationWindow;
} // namespace onda

// Starts the program's windows in-process on the offscreen platform, in a program
// directory of the test's own, with scripted dialogs, an instant splash and a
// settings store that is not the user's.
class AppHarness {
public:
    // programDirectory: where ONDA.mdb and options.txt live; a fresh one when empty.
    explicit AppHarness(const QString& programDirectory = {});
    ~AppHarness();

    bool start(const QStringList& arguments = {});
    void stop(); // closes the main window as the user would

    const QString& programDirectory() const { return m_directory; }
    QString file(const QString& name) const { return m_directory + name; }
    onda::AppState& state() { return m_state; }
    ScriptedDialogs& dialogs() { return m_dialogs; }
    onda::MainWindow* main() const { return m_main.get(); }
    onda::WorkspaceWindow* workspace() const;
    onda::RegistrationWindow* registration() const;
    onda::StartupOptions& options() { return m_options; }

    // Each AppHarness has a settings store of its own, kept in this folder.
    static void useSettingsFolder(const QString& folder);

private:
    QTemporaryDir m_ownDirectory;
    QTemporaryDir m_settingsDirectory;
    QString m_directory;
    ScriptedDialogs m_dialogs;
    onda::AppState m_state;
    onda::StartupOptions m_options;
    std::unique_ptr<onda::MainWindow> m_main;
    int m_fakeTime = 0;
};
