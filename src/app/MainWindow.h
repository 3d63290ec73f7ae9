#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace onda {

struct AppState;
class WorkspaceWindow;
class RegistrationWindow;

// frmMain: the frame of the program, with its menus, tool bar and status bar.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Load step: position from the settings store, then the options file.
    void load();

    // The two central children, created by start-up in this order. A child the user has
    // closed is created again, in its initial state, by the next use.
    RegistrationWindow* createRegistrationWindow();
    WorkspaceWindow* createWorkspaceWindow();
    RegistrationWindow* registrationWindow() { return createRegistrationWindow(); }
    WorkspaceWindow* workspaceWindow() { return createWorkspaceWindow(); }
    QMdiSubWindow* subWindowOf(QWidget* child) const;
    void showChild(QWidget* child);
    void hideChild(QWidget* child);

    QMdiArea* mdiArea() const { return m_mdi; }
    QMenu* gridMenu() const { return m_gridMenu; }
    QAction* action(const QString& objectName) const;

    // Re-initialisation of the database, after the user's two confirmations.
    void reinitialiseDatabase();
    // Where the Help menu's addresses open; the system's browser until one is set.
    void setAddressOpener(std::function<void(const QString&)> opener) { m_openAddress = std::move(opener); }
    void openAddress(const QString& address);

    // Arrangement codes 0 to 3: cascade, tile horizontal, tile vertical, arrange icons.
    void arrange(int code);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void fillWindowMenu();
    void applyPosition();
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption);
    void addSeparator(QMenu* menu, const QString& name);
    void pressWorkspaceButton(int index);
    void tileVisibleChildren(Qt::Orientation direction);

    AppState& m_state;
    QMdiArea* m_mdi = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_gridMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_windowListSeparator = nullptr;
    std::function<void(const QString&)> m_openAddress;
    QPointer<RegistrationWindow> m_registration;
    QPointer<WorkspaceWindow> m_workspace;
};

QString mainWindowCaption();

} // namespace onda
