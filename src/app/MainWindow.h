#pragma once

#include "core/WindowHost.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace onda {

class AppState;
class ArchiveWindow;
class WorkspaceWindow;
struct FlowResult;
class RegistrationWindow;
class ProgressWindow;
class OnlineSession;
class NoteWindow;
class RaceListWindow;
class CategoryListWindow;
class BrowserPage;
class PreviewWindow;
class MailWindow;
class OperationGate;
class LenexFlows;
class ReportCommands;
class LiveWorkspace;

// The window arrangements of the Window menu, numbered as the program numbers them.
enum class Arrangement { Cascade = 0, TileHorizontal = 1, TileVertical = 2, ArrangeIcons = 3 };

// frmMain: the frame of the program, with its menus, tool bar and status bar.
class MainWindow : public QMainWindow, public WindowHost {
    Q_OBJECT
public:
    explicit MainWindow(AppState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Load step: position from the settings store, then the options file.
    void load();
    // Start-up: the load step, then the frame shown with the workspace, and the club, user and
    // PIN read from the database.
    void showFirstScreen();

    // Every child window is created, bound, loaded and shown here, in one way. A child the
    // user has closed is created again, in its initial state, by its next use.
    QWidget* child(Child which) override;
    void showChild(QWidget* child) override;
    void hideChild(QWidget* child) override;
    void setStatusText(const QString& text) override;
    void bindDataSources() override;
    RegistrationWindow* registrationWindow();
    WorkspaceWindow* workspaceWindow();
    QMdiSubWindow* subWindowOf(QWidget* child) const;

    QMdiArea* mdiArea() const { return m_mdi; }
    QMenu* gridMenu() const { return m_gridMenu; }
    QAction* action(const QString& objectName) const;

    // Re-initialisation of the database, after the user's two confirmations.
    void reinitialiseDatabase();
    // "Ripristina una copia...": a copy of the database chosen, confirmed and put back; every window reloaded.
    void restoreCopy();
    // "Verifica gare definite sul Ondaweb": the service's public list, once the user is known.
    void showPublicCompetitionList();
    // Where the addresses open (every blank as %20); the program's browser unless one is set.
    void setAddressOpener(std::function<void(const QString&)> opener) { m_openAddress = std::move(opener); }
    void openAddress(const QString& address) override;
    RegistrationDesk* registrationDesk() override;
    AthleteArchive* athleteArchive() override;
    NoteDesk* noteDesk() override;
    WorkspaceView* workspaceView() override;

    void arrange(Arrangement arrangement);
    // "Elenco gare" and "Categorie": a list of the open competition, once a club and a competition are known.
    void showCompetitionList(Child which);

signals:
    // The program ends here, whatever other top-level window is still open.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A child hidden or closed hands the front back to the one it was opened from.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The workflows of the menus; each has told the user how it went, so the menus drop their results.
    LenexFlows lenexFlows();
    ReportCommands reports();
    // The preview filled with a report's text; null when there is none.
    PreviewWindow* previewWith(const std::optional<QString>& text);
    // The registrations' report in the preview: the one "Come file di testo (QVASCA)" closes.
    PreviewWindow* registrationsPreview();
    // Shown as wide as its page's 100 columns.
    void showWidePreview(PreviewWindow* preview);
    // The preview's text on the printer the user chooses.
    void printPreview(PreviewWindow* preview);
    void buildMenus();
    void reloadWindows();
    void buildToolBar();
    void fillWindowMenu();
    void applyPosition();
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption);
    // An item whose workflow tells the user itself how it ended.
    void addToldItem(QMenu* menu, const QString& name, const QString& caption, std::function<FlowResult()> flow);
    void addSeparator(QMenu* menu, const QString& name);
    template <class Window> Window* ensureChild(QPointer<Window>& slot);
    void attachChild(QWidget* widget, ChildWindow& child);
    // Null, after telling the user, when the browser's module cannot be loaded.
    QWidget* browserWindow();
    void tileVisibleChildren(Qt::Orientation direction);
    void cascadeVisibleChildren();
    QList<QMdiSubWindow*> visibleChildren() const;
    // The frame grows, within its screen, until a child of this size fits its area.
    void growToShow(const QSize& childFrame);

    AppState& m_state;
    // First in, last out: every window waits through it for as long as any exists.
    std::unique_ptr<OperationGate> m_gate;
    QMdiArea* m_mdi = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_gridMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_windowListSeparator = nullptr;
    std::function<void(const QString&)> m_openAddress;
    QPointer<RegistrationWindow> m_registration;
    QPointer<WorkspaceWindow> m_workspace;
    QPointer<ArchiveWindow> m_archive;
    QPointer<ProgressWindow> m_progress;
    std::unique_ptr<OnlineSession> m_online;
    std::unique_ptr<LiveWorkspace> m_liveWorkspace; // the workspace as the flows change it
    QPointer<NoteWindow> m_note;
    QPointer<RaceListWindow> m_raceList;
    QPointer<CategoryListWindow> m_categoryList;
    QPointer<QWidget> m_browser;
    BrowserPage* m_browserPage = nullptr; // m_browser as a page
    QPointer<PreviewWindow> m_preview;
    QPointer<PreviewWindow> m_reportPreview; // the registrations' report last shown in it
    QPointer<MailWindow> m_mail;
    bool m_grownForRegistration = false;
    QHash<QMdiSubWindow*, QPointer<QMdiSubWindow>> m_openers; // the child in front when each was shown
};

QString mainWindowCaption();

} // namespace onda
