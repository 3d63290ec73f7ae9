#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/BrowserModule.h"
#include "app/CopiesDialog.h"
#include "app/HelpLinks.h"
#include "app/OptionsFile.h"
#include "app/Reinitialise.h"
#include "app/StartupLogic.h"
#include "app/ToolIcons.h"
#include "app/WindowPosition.h"
#include "app/WorkspaceWindow.h"
#include "athletes/ArchiveWindow.h"
#include "core/AppState.h"
#include "core/CompetitionChosen.h"
#include "core/Dialogs.h"
#include "core/Operation.h"
#include "core/Settings.h"
#include "core/Twips.h"
#include "entry/CategoryListWindow.h"
#include "entry/NoteWindow.h"
#include "entry/RaceListWindow.h"
#include "entry/RegistrationWindow.h"
#include "lenex/LenexFlows.h"
#include "mail/MailWindow.h"
#include "reports/PreviewWindow.h"
#include "reports/ReportCommands.h"
#include "service/OnlineSession.h"
#include "service/ProgressWindow.h"
#include "service/ServiceAddress.h"
#include "store/DataSource.h"
#include "transfer/TransferExport.h"
#include "ui/BusyCursor.h"
#include "ui/Unload.h"

#include "ui/OperationGate.h"
#include "ui/WindowFit.h"
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPrinter>
#include <QScreen>

#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <memory>
#include <type_traits>

namespace onda {

// The workspace as the flows change it: reached when they do, made again if the user closed it.
class LiveWorkspace final : public WorkspaceView {
public:
    explicit LiveWorkspace(MainWindow& main) : m_main(main) {}
    void showChosenUser(const QString& user) override { m_main.workspaceWindow()->setClubLabel(user); }
    void FillCompetitionGrid() override { m_main.workspaceWindow()->FillCompetitionGrid(); }
    void markListRefreshed() override { m_main.workspaceWindow()->markListRefreshed(); }

private:
    MainWindow& m_main;
};

QString mainWindowCaption() {
    return QStringLiteral("ONDA_link (iscrizioni on line)") + QStringLiteral(" - a cura del gruppo ONDA_link");
}

MainWindow::MainWindow(AppState& state, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_gate(std::make_unique<OperationGate>()),
      m_liveWorkspace(std::make_unique<LiveWorkspace>(*this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(mainWindowCaption());
    setWindowIcon(programIcon());
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setAccessibleName(QStringLiteral("Finestre"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A child gone leaves in front the one used before it, not the first one made.
    m_mdi->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    setCentralWidget(m_mdi);
    buildMenus();
    buildToolBar();
    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("sbStatusBar"));
    status->setAccessibleName(QStringLiteral("Stato"));
    setStatusBar(status);
    m_online = std::make_unique<OnlineSession>(m_state, *this);
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::addItem(QMenu* menu, const QString& name, const QString& caption) {
    auto* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void MainWindow::addToldItem(QMenu* menu, const QString& name, const QString& caption,
                             std::function<FlowResult()> flow) {
    // The workflow has told the user how it ended (FlowResult): nothing is left for this window
    // to show or to do.
    connect(addItem(menu, name, caption), &QAction::triggered, this, [flow = std::move(flow)] { (void)flow(); });
}

void MainWindow::addSeparator(QMenu* menu, const QString& name) {
    menu->addSeparator()->setObjectName(name);
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QMenu* save = file->addMenu(QStringLiteral("Salva"));
    save->setObjectName(QStringLiteral("Salva"));
    save->menuAction()->setObjectName(QStringLiteral("Salva"));
    addToldItem(save, QStringLiteral("mnuFileSaveAs"), QStringLiteral("Come file Access"),
                [this] { return TransferExport(m_state, m_state.dialogs).save(); });
    connect(addItem(save, QStringLiteral("SaveAsText"), QStringLiteral("Come file di testo (QVASCA)")),
            &QAction::triggered, this, [this] {
                // The text file closes the preview of the registrations' report.
                if (reports().saveRegistrations(ReportForm::TextFile).ok() && m_reportPreview)
                    unloadChild(m_reportPreview);
            });
    addToldItem(save, QStringLiteral("SaveAsExcel"), QStringLiteral("Come File Excel"),
                [this] { return reports().saveRegistrations(ReportForm::Spreadsheet); });
    addToldItem(save, QStringLiteral("SaveAsLenex"), QStringLiteral("Come file LENEX (.lxf)"),
                [this] { return lenexFlows().saveEntries(); });
    addToldItem(file, QStringLiteral("ImportaInvito"), QStringLiteral("Importa invito LENEX..."),
                [this] { return lenexFlows().importInvitation(); });
    addToldItem(file, QStringLiteral("ImportaRisultati"), QStringLiteral("Importa risultati LENEX..."),
                [this] { return lenexFlows().importResults(); });
    addToldItem(file, QStringLiteral("DatiSocietaLenex"), QStringLiteral("Dati della societa' per LENEX..."),
                [this] { return lenexFlows().editClub(); });
    addSeparator(file, QStringLiteral("mnuFileBar1"));
    connect(addItem(file, QStringLiteral("mnuFilePrintPreview"), QStringLiteral("Anteprima di stampa")),
            &QAction::triggered, this, [this] {
                const Operation operation;
                if (!operation)
                    return;
                if (PreviewWindow* preview = registrationsPreview())
                    showWidePreview(preview);
            });
    QMenu* check = file->addMenu(QStringLiteral("Verifica iscrizioni"));
    check->setObjectName(QStringLiteral("VerificaIscrizioni"));
    check->menuAction()->setObjectName(QStringLiteral("VerificaIscrizioni"));
    connect(addItem(check, QStringLiteral("VerificaAnteprima"), QStringLiteral("Anteprima")), &QAction::triggered, this,
            [this] {
                const Operation operation;
                if (!operation)
                    return;
                if (PreviewWindow* preview = previewWith(reports().check(ReportForm::Printed)))
                    showWidePreview(preview);
            });
    connect(addItem(check, QStringLiteral("VerificaStampa"), QStringLiteral("Stampa")), &QAction::triggered, this,
            [this] {
                const Operation operation;
                if (!operation)
                    return;
                if (PreviewWindow* preview = previewWith(reports().check(ReportForm::Printed)))
                    printPreview(preview);
            });
    addToldItem(check, QStringLiteral("VerificaExcel"), QStringLiteral("Come File Excel"),
                [this] { return reports().saveCheck(ReportForm::Spreadsheet); });
    addToldItem(check, QStringLiteral("VerificaTesto"), QStringLiteral("Come file di testo"),
                [this] { return reports().saveCheck(ReportForm::TextFile); });
    // Printing needs a child window in front, as the command always did.
    connect(addItem(file, QStringLiteral("mnuFilePrint"), QStringLiteral("Stampa iscrizioni")), &QAction::triggered,
            this, [this] {
                if (!m_mdi->currentSubWindow())
                    return;
                const Operation operation;
                if (!operation)
                    return;
                // No registrations: nothing to print.
                if (PreviewWindow* preview = registrationsPreview(); preview && !preview->reportText().isEmpty())
                    printPreview(preview);
            });
    addSeparator(file, QStringLiteral("mnuFileBar3"));
    connect(addItem(file, QStringLiteral("mnuFileSend"), QStringLiteral("Invia e-mail...")), &QAction::triggered, this,
            [this] {
                // A failed export attaches nothing: never a half-written or stale file.
                const std::optional<QString> attachment = transferForMail(m_state, [this](QString& path) {
                    const TransferResult transfer =
                        TransferExport(m_state, m_state.dialogs).write(m_state.club, TransferPlace::ProgramFolder);
                    path = transfer.path;
                    return transfer.usable();
                });
                if (auto* mail = attachment ? qobject_cast<MailWindow*>(child(Child::Mail)) : nullptr) {
                    mail->prepare(*attachment);
                    showChild(mail);
                }
            });
    addSeparator(file, QStringLiteral("mnuFileBar4"));
    connect(addItem(file, QStringLiteral("Reinizializza"), QStringLiteral("Reinizializza database")),
            &QAction::triggered, this, &MainWindow::reinitialiseDatabase);
    connect(addItem(file, QStringLiteral("mnuFileRestore"), QStringLiteral("Ripristina una copia...")),
            &QAction::triggered, this, &MainWindow::restoreCopy);
    connect(addItem(file, QStringLiteral("mnuFileExit"), QStringLiteral("Uscita")), &QAction::triggered, this,
            &QWidget::close);

    QMenu* view = menuBar()->addMenu(QStringLiteral("Esamina"));
    view->setObjectName(QStringLiteral("mnuView"));
    connect(addItem(view, QStringLiteral("DataBaseAtleti"), QStringLiteral("DataBase Atleti")), &QAction::triggered,
            this, [this] { openAthleteArchive(m_state, *this); });
    connect(addItem(view, QStringLiteral("EsaminaIscrizioni"), QStringLiteral("Iscrizioni")), &QAction::triggered, this,
            [this] { workspaceWindow()->pressButton(WorkspaceButton::Register); });
    connect(addItem(view, QStringLiteral("ElencoGare"), QStringLiteral("Elenco gare")), &QAction::triggered, this,
            [this] { showCompetitionList(Child::RaceList); });
    connect(addItem(view, QStringLiteral("CAtegorie"), QStringLiteral("Categorie")), &QAction::triggered, this,
            [this] { showCompetitionList(Child::CategoryList); });

    QMenu* updates = menuBar()->addMenu(QStringLiteral("Aggiornamenti"));
    updates->setObjectName(QStringLiteral("agg"));
    connect(addItem(updates, QStringLiteral("VerificaGare"), QStringLiteral("Verifica gare definite sul Ondaweb")),
            &QAction::triggered, this, &MainWindow::showPublicCompetitionList);
    // The competitions of the local database brought up to date from the service.
    connect(addItem(updates, QStringLiteral("sport"), QStringLiteral("Aggiorna database da Ondaweb")),
            &QAction::triggered, this, [this] { workspaceWindow()->pressButton(WorkspaceButton::RefreshList); });
    connect(
        addItem(updates, QStringLiteral("DepositaOndaweb"), QStringLiteral("Deposita le tue iscrizioni su Ondaweb")),
        &QAction::triggered, this, [this] { workspaceWindow()->pressButton(WorkspaceButton::Deposit); });
    connect(addItem(updates, QStringLiteral("ControllaIscrizioni"), QStringLiteral("Controlla iscrizioni su Ondaweb")),
            &QAction::triggered, this, [this] { workspaceWindow()->pressButton(WorkspaceButton::Check); });

    m_windowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    m_windowMenu->setObjectName(QStringLiteral("mnuWindow"));
    connect(addItem(m_windowMenu, QStringLiteral("mnuWindowCascade"), QStringLiteral("&Cascade")), &QAction::triggered,
            this, [this] { arrange(Arrangement::Cascade); });
    connect(addItem(m_windowMenu, QStringLiteral("mnuWindowTileHorizontal"), QStringLiteral("Tile &Horizontal")),
            &QAction::triggered, this, [this] { arrange(Arrangement::TileHorizontal); });
    connect(addItem(m_windowMenu, QStringLiteral("mnuWindowTileVertical"), QStringLiteral("Tile &Vertical")),
            &QAction::triggered, this, [this] { arrange(Arrangement::TileVertical); });
    connect(addItem(m_windowMenu, QStringLiteral("mnuWindowArrangeIcons"), QStringLiteral("&Arrange Icons")),
            &QAction::triggered, this, [this] { arrange(Arrangement::ArrangeIcons); });
    m_windowListSeparator = m_windowMenu->addSeparator();
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainWindow::fillWindowMenu);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(addItem(help, QStringLiteral("HelpIstruzioni"), QStringLiteral("&Istruzioni")), &QAction::triggered, this,
            [this] {
                // An installed program keeps the page with its shared data.
                const QString executableDirectory = QCoreApplication::applicationDirPath();
                const QString directory = helpPageDirectory(
                    {m_state.programDirectory, executableDirectory, installedDataDirectory(executableDirectory)},
                    executableDirectory, [](const QString& page) { return QFileInfo(page).isFile(); });
                // The browser's own error page would be in English and name nothing the user can fix.
                if (const QString page = QDir(directory).filePath(QStringLiteral("istruzioni.htm"));
                    !QFileInfo(page).isFile()) {
                    m_state.dialogs.message(helpPageMissing(page), Dialogs::Icon::Warning);
                    return;
                }
                openAddress(instructionsAddress(directory));
            });
    connect(addItem(help, QStringLiteral("HomePageONDA_link"), QStringLiteral("Home Page ONDA_link")),
            &QAction::triggered, this, [this] { openAddress(programHomeAddress(m_state.baseAddress)); });
    connect(addItem(help, QStringLiteral("HomePageOndaweb"), QStringLiteral("Home Page Ondaweb")), &QAction::triggered,
            this, [this] { openAddress(serviceHomeAddress(m_state.baseAddress)); });
    connect(addItem(help, QStringLiteral("mnuHelpAbout"), QStringLiteral("&About ")), &QAction::triggered, this,
            [this] {
                AboutDialog about(this, m_state.dialogs);
                about.exec();
            });

    // The registration grid's pop-up menu: not in the bar.
    m_gridMenu = new QMenu(QStringLiteral("menugrid"), this);
    m_gridMenu->setObjectName(QStringLiteral("menugrid"));
    addItem(m_gridMenu, QStringLiteral("atleta"), QStringLiteral("Atleta"));
    addItem(m_gridMenu, QStringLiteral("modificaiscrizione"), QStringLiteral("Modifica Iscrizione"));
    addItem(m_gridMenu, QStringLiteral("cancellaiscrizione"), QStringLiteral("Cancella Iscrizione"));
}

void MainWindow::buildToolBar() {
    // A tool bar is spoken by its title, whatever accessible name it is given.
    m_toolBar = addToolBar(QStringLiteral("Barra degli strumenti"));
    m_toolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_toolBar->setMovable(false);
    struct Button {
        const char* key;
        const char* tooltip;
        const char* sameAs; // the menu command the button does
    };
    const Button buttons[] = {
        {"Save", "Salvataggio sessione", "mnuFileSaveAs"},
        {"Print", "Stampa", "mnuFilePrint"},
        {"Atleti", "Analizza Data Base Atleti", "DataBaseAtleti"},
        {"Iscrizioni", "Iscrivi Atleti", "EsaminaIscrizioni"},
        {"send", "Invia Messaggio Posta Elettronica", "mnuFileSend"},
    };
    for (const Button& b : buttons) {
        QAction* action = m_toolBar->addAction(toolIcon(QLatin1String(b.key)), QString::fromUtf8(b.tooltip));
        action->setObjectName(QLatin1String(b.key));
        action->setToolTip(QString::fromUtf8(b.tooltip));
        // The button does what its menu command does, whatever that command is wired to.
        connect(action, &QAction::triggered, this->action(QLatin1String(b.sameAs)), &QAction::trigger);
    }
}

void MainWindow::openAddress(const QString& address) {
    if (m_openAddress) {
        m_openAddress(withEncodedBlanks(address));
        return;
    }
    QWidget* browser = browserWindow();
    if (!browser)
        return;
    showChild(browser);
    m_browserPage->openAddress(address);
}

void MainWindow::showPublicCompetitionList() {
    if (m_state.userId.isEmpty() || m_state.pin.isEmpty()) {
        m_state.dialogs.message(QStringLiteral("Devi prima impostare UserID e PIN in Opzioni ->E_mail e server"));
        return;
    }
    openAddress(publicCompetitionListPage(m_state.baseAddress));
}

QAction* MainWindow::action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void MainWindow::fillWindowMenu() {
    // Everything after the list separator is the list of open child windows.
    const QList<QAction*> actions = m_windowMenu->actions();
    const qsizetype first = actions.indexOf(m_windowListSeparator) + 1;
    for (qsizetype i = first; i < actions.size(); ++i) {
        m_windowMenu->removeAction(actions.at(i));
        actions.at(i)->deleteLater();
    }
    int n = 0;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (!sub->isVisible())
            continue;
        QAction* item = m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle()));
        item->setCheckable(true);
        item->setChecked(sub == m_mdi->activeSubWindow());
        connect(item, &QAction::triggered, m_mdi, [this, sub] { m_mdi->setActiveSubWindow(sub); });
    }
    m_windowListSeparator->setVisible(n > 0);
}

void MainWindow::showFirstScreen() {
    if (m_state.debugMode())
        m_state.dialogs.message(QStringLiteral("imposto dbases"));
    load();
    // Creating a child binds its data sources and runs its load step. The workspace is the first
    // screen; every other window is made on first use.
    workspaceWindow();
    QCoreApplication::processEvents();
    show();
    showChild(workspaceWindow());
    DataSource& config = workspaceWindow()->configSource();
    if (config.isOpen() && config.rowCount() > 0 && config.moveFirst()) {
        m_state.session.setClub(config.field(QStringLiteral("societa")).toString());
        m_state.userId = config.field(QStringLiteral("userid")).toString();
        m_state.pin = config.field(QStringLiteral("password")).toString();
    }
}

void MainWindow::load() {
    applyPosition();
    loadOrCreateOptionsFile(m_state.programDirectory, m_state.userId, m_state.pin, m_state.baseAddress);
}

void MainWindow::applyPosition() {
    const std::unique_ptr<QSettings> settings = openProgramSettings();
    WindowPosition position = readWindowPosition(*settings);
    QRect frame(twipsToPixels(position.left), twipsToPixels(position.top), twipsToPixels(position.width),
                twipsToPixels(position.height));
    // A position left by a screen that is gone would put the window out of reach.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && !screen->virtualGeometry().intersects(frame)) {
        const WindowPosition defaults;
        frame.moveTo(twipsToPixels(defaults.left), twipsToPixels(defaults.top));
    }
    move(frame.topLeft());
    resize(frame.size());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!isMinimized()) {
        const std::unique_ptr<QSettings> settings = openProgramSettings();
        writeWindowPosition(*settings, QRect(pos(), size()));
    }
    event->accept();
    emit closed();
}

template <class Window> Window* MainWindow::ensureChild(QPointer<Window>& slot) {
    if (!slot) {
        // Windows that reach the others are handed the host; the rest take only the state.
        WindowHost* host = this;
        if constexpr (std::is_constructible_v<Window, AppState&, WindowHost*>)
            slot = new Window(m_state, host);
        else
            slot = new Window(m_state);
        attachChild(slot, *slot);
    }
    return slot;
}

void MainWindow::attachChild(QWidget* widget, ChildWindow& child) {
    widget->setWindowIcon(windowIcon());
    QMdiSubWindow* sub = m_mdi->addSubWindow(widget);
    sub->installEventFilter(this);
    // No arrangement and no drag of its border cuts a window below what its controls need.
    sub->setMinimumSize(sub->minimumSizeHint());
    const QSize preferred = child.preferredSize();
    if (!preferred.isEmpty())
        sub->resize(sub->sizeHint().expandedTo(preferred));
    bindToDatabase(child.dataSources(), m_state.databasePath);
    child.load();
}

QWidget* MainWindow::child(Child which) {
    switch (which) {
    case Child::Registration:
        return registrationWindow();
    case Child::Workspace:
        return workspaceWindow();
    case Child::Archive:
        return ensureChild(m_archive);
    case Child::Progress:
        return ensureChild(m_progress);
    case Child::Note:
        return ensureChild(m_note);
    case Child::RaceList:
        return ensureChild(m_raceList);
    case Child::CategoryList:
        return ensureChild(m_categoryList);
    case Child::Browser: // heavy: made on first use only
        return browserWindow();
    case Child::Preview:
        return ensureChild(m_preview);
    case Child::Mail:
        return ensureChild(m_mail);
    default:
        return nullptr;
    }
}

QWidget* MainWindow::browserWindow() {
    if (m_browser)
        return m_browser;
    QString error;
    const BrowserFactory factory = browserFactory(error);
    if (!factory) {
        m_state.dialogs.message(QStringLiteral("Impossibile avviare il browser: ") + error, Dialogs::Icon::Critical);
        return nullptr;
    }
    const BrowserParts browser = factory(m_state);
    m_browser = browser.widget;
    m_browserPage = browser.page;
    attachChild(browser.widget, *browser.child);
    return m_browser;
}

RegistrationDesk* MainWindow::registrationDesk() {
    return registrationWindow();
}

AthleteArchive* MainWindow::athleteArchive() {
    return ensureChild(m_archive);
}

NoteDesk* MainWindow::noteDesk() {
    return ensureChild(m_note);
}

ReportCommands MainWindow::reports() {
    return ReportCommands(m_state, m_state.dialogs);
}

PreviewWindow* MainWindow::previewWith(const std::optional<QString>& text) {
    auto* preview = text ? qobject_cast<PreviewWindow*>(child(Child::Preview)) : nullptr;
    if (preview)
        preview->setReportText(*text);
    return preview;
}

PreviewWindow* MainWindow::registrationsPreview() {
    PreviewWindow* preview = previewWith(reports().registrations(ReportForm::Printed));
    if (preview)
        m_reportPreview = preview;
    return preview;
}

void MainWindow::showWidePreview(PreviewWindow* preview) {
    showChild(preview);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(preview->parentWidget())) {
        const int frameWidth = frame->width() - preview->width();
        frame->resize(twipsToPixels(9700) + frameWidth, frame->height());
    }
}

void MainWindow::printPreview(PreviewWindow* preview) {
    QPrinter printer(QPrinter::HighResolution);
    if (!m_state.dialogs.choosePrinter(printer))
        return;
    const BusyCursor busy;
    preview->print(printer);
}

LenexFlows MainWindow::lenexFlows() {
    return LenexFlows(m_state, m_state.dialogs, *m_liveWorkspace);
}

WorkspaceView* MainWindow::workspaceView() {
    return workspaceWindow();
}

RegistrationWindow* MainWindow::registrationWindow() {
    const bool created = !m_registration;
    RegistrationWindow* registration = ensureChild(m_registration);
    if (created) // the grid's pop-up menu is the main window's
        registration->setGridMenu(m_gridMenu);
    return registration;
}

WorkspaceWindow* MainWindow::workspaceWindow() {
    const bool recreated = !m_workspace;
    WorkspaceWindow* workspace = ensureChild(m_workspace);
    if (recreated)
        workspace->setServicePort(m_online.get());
    if (recreated && isVisible()) // the user closed it: the workspace is where work starts, so it comes back in sight
        showChild(workspace);
    return workspace;
}

void MainWindow::bindDataSources() {
    if (m_state.debugMode())
        m_state.dialogs.message(QStringLiteral("imposto dbases"));
    bindToDatabase(registrationWindow()->dataSources(), m_state.databasePath);
    bindToDatabase(workspaceWindow()->dataSources(), m_state.databasePath);
}

void MainWindow::showCompetitionList(Child which) {
    if (clubAndCompetitionChosen(m_state))
        showChild(child(which));
}

void MainWindow::setStatusText(const QString& text) {
    statusBar()->showMessage(text);
}

QMdiSubWindow* MainWindow::subWindowOf(QWidget* child) const {
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->widget() == child)
            return sub;
    }
    return nullptr;
}

void MainWindow::showChild(QWidget* child) {
    QMdiSubWindow* sub = subWindowOf(child);
    if (!sub)
        return;
    // The registration window is where the work is done: the frame makes room for all of it once.
    if (child == m_registration && !m_grownForRegistration && isVisible()) {
        m_grownForRegistration = true;
        growToShow(sub->size());
    }
    if (QMdiSubWindow* from = m_mdi->currentSubWindow(); from && from != sub)
        m_openers.insert(sub, from);
    sub->show();
    child->show();
    // Whole inside the area, as far as its minimum size allows: its caption and buttons in sight.
    sub->setGeometry(fitInside(sub->geometry(), sub->minimumSize(), m_mdi->viewport()->rect()));
    m_mdi->setActiveSubWindow(sub);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* sub = qobject_cast<QMdiSubWindow*>(watched);
    // Hidden by itself, not with the frame (a child closed is hidden first): shown again, it is
    // opened anew. Only the child in front gives the front away.
    if (sub && event->type() == QEvent::Hide && sub->isHidden()) {
        const QPointer<QMdiSubWindow> opener = m_openers.take(sub);
        // After the area has made its own choice for the child gone.
        if (opener && sub == m_mdi->currentSubWindow())
            QMetaObject::invokeMethod(
                this,
                [this, opener] {
                    if (opener && !opener->isHidden())
                        m_mdi->setActiveSubWindow(opener);
                },
                Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::growToShow(const QSize& childFrame) {
    const QSize missing = (childFrame - m_mdi->viewport()->size()).expandedTo(QSize(0, 0));
    const QScreen* shownOn = screen();
    if (missing.isEmpty() || !shownOn)
        return;
    const QRect frame = frameGeometry();
    const QRect grown = grownOnScreen(frame, missing, shownOn->availableGeometry());
    move(grown.topLeft());
    resize(size() + grown.size() - frame.size());
}

void MainWindow::hideChild(QWidget* child) {
    if (QMdiSubWindow* sub = subWindowOf(child))
        sub->hide();
}

void MainWindow::reinitialiseDatabase() {
    const Operation operation;
    if (!operation || !confirmReinitialisation(m_state.dialogs))
        return;
    BusyCursor busy;
    // The competitions as the workspace holds them: their registration tables go with them.
    QVariantList listed;
    Status done = listedCompetitions(m_state.store, m_state.session.listedUser(), listed);
    if (done)
        done = onda::reinitialiseDatabase(m_state.store, listed);
    if (!done) {
        // Nothing was changed: the list is read before, and the batch runs in one transaction
        // that failed as a whole.
        m_state.dialogs.message(QStringLiteral("Impossibile reinizializzare il database: ") + done.description +
                                    QStringLiteral("\r\nI dati sono rimasti come erano."),
                                Dialogs::Icon::Critical);
        return;
    }
    // No window may go on showing, or writing into, a competition that is gone.
    reloadWindows();
}

void MainWindow::restoreCopy() {
    const Operation operation;
    if (!operation)
        return;
    QList<DatabaseCopy> found;
    {
        BusyCursor busy;
        found = copies::list(m_state.databasePath);
    }
    const QString folder = QDir::toNativeSeparators(copies::folderFor(m_state.databasePath));
    if (found.isEmpty()) {
        m_state.dialogs.message(QStringLiteral("Non ci sono copie del database in ") + folder + QLatin1Char('.'));
        return;
    }
    CopiesDialog dialog(found, folder, this);
    if (dialog.exec() != QDialog::Accepted || !dialog.chosen())
        return;
    const DatabaseCopy copy = *dialog.chosen();
    if (!confirmRestore(m_state.dialogs, copy))
        return;
    Status restored;
    {
        BusyCursor busy;
        restored = restoreDatabase(m_state.store, copy.path);
    }
    if (!restored) {
        m_state.dialogs.message(QStringLiteral("Impossibile ripristinare la copia: ") + restored.description +
                                    QStringLiteral("\r\nI dati sono rimasti come erano."),
                                Dialogs::Icon::Critical);
        return;
    }
    reloadWindows();
    m_state.dialogs.message(QStringLiteral("Copia ripristinata"));
}

void MainWindow::reloadWindows() {
    // Every window of the data is made again from the file; the browser and the mail keep theirs.
    const QList<QWidget*> windows{m_registration, m_archive, m_note,     m_raceList,
                                  m_categoryList, m_preview, m_workspace};
    for (QWidget* window : windows) {
        if (QMdiSubWindow* sub = window ? subWindowOf(window) : nullptr)
            delete sub;
    }
    m_state.setCompetition({});
    workspaceWindow(); // made again and shown: where work starts
}

QList<QMdiSubWindow*> MainWindow::visibleChildren() const {
    QList<QMdiSubWindow*> shown;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->isVisible() && !sub->isMinimized())
            shown << sub;
    }
    return shown;
}

void MainWindow::tileVisibleChildren(Qt::Orientation direction) {
    const QList<QMdiSubWindow*> shown = visibleChildren();
    if (shown.isEmpty())
        return;
    const QRect area = m_mdi->viewport()->rect();
    const int n = int(shown.size());
    for (int i = 0; i < n; ++i) {
        if (direction == Qt::Vertical) // one under the other, each as wide as the area
            shown.at(i)->setGeometry(0, i * area.height() / n, area.width(), area.height() / n);
        else
            shown.at(i)->setGeometry(i * area.width() / n, 0, area.width() / n, area.height());
    }
}

void MainWindow::cascadeVisibleChildren() {
    const QList<QMdiSubWindow*> shown = visibleChildren();
    QList<QSize> wanted;
    QList<QSize> minimum;
    for (QMdiSubWindow* sub : shown) {
        wanted << sub->sizeHint().expandedTo(sub->size());
        minimum << sub->minimumSize();
    }
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, m_mdi) + 4;
    const QList<QRect> frames = cascadeInside(wanted, minimum, m_mdi->viewport()->rect(), step);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        shown.at(i)->setGeometry(frames.at(i));
        shown.at(i)->raise();
    }
}

void MainWindow::arrange(Arrangement arrangement) {
    switch (arrangement) {
    case Arrangement::Cascade:
        cascadeVisibleChildren();
        break;
    case Arrangement::TileHorizontal:
        tileVisibleChildren(Qt::Vertical);
        break;
    case Arrangement::TileVertical:
        tileVisibleChildren(Qt::Horizontal);
        break;
    case Arrangement::ArrangeIcons: {
        // Minimised children in a row along the bottom edge.
        int x = 0;
        const int bottom = m_mdi->viewport()->height();
        for (QMdiSubWindow* s : m_mdi->subWindowList()) {
            if (!s->isMinimized())
                continue;
            const QSize size = s->size();
            s->move(x, bottom - size.height());
            x += size.width();
        }
        break;
    }
    }
}

} // namespace onda
