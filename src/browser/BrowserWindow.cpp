#include "browser/BrowserWindow.h"

#include "browser/BrowserAddress.h"
#include "core/AppState.h"
#include "core/Settings.h"

#include "ui/AccessibleNames.h"
#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace onda {

BrowserWindow::BrowserWindow(AppState& state, QWidget* parent) : QWidget(parent), m_state(state) {
    setObjectName(QStringLiteral("frmBrowser"));
    setWindowTitle(QStringLiteral("Browser"));

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("tbToolBar"));
    // A tool bar is spoken by its title.
    m_toolBar->setWindowTitle(QStringLiteral("Barra di navigazione"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("picAddress"));
    m_address = new QComboBox(panel);
    QLabel* label = captionLabel(QStringLiteral("&Indirizzo:"), m_address, panel);
    m_address->setObjectName(QStringLiteral("cboAddress"));
    m_address->setEditable(true);
    m_address->setInsertPolicy(QComboBox::NoInsert);
    m_address->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_address->setMinimumContentsLength(40);
    // Inline completion would turn a typed address into a longer one of the list.
    m_address->setCompleter(nullptr);
    m_open = new QPushButton(QStringLiteral("&Vai"), panel);
    m_open->setObjectName(QStringLiteral("Command1"));
    m_open->setAccessibleName(QStringLiteral("Vai"));
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(4, 2, 4, 2);
    panelLayout->addWidget(label);
    panelLayout->addWidget(m_address, 1);
    panelLayout->addWidget(m_open);

    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("brwWebBrowser"));
    m_view->setAccessibleName(QStringLiteral("Pagina"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(panel);
    layout->addWidget(m_view, 1);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("timTimer"));
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, &BrowserWindow::tick);

    const auto addButton = [this](const QString& name, QStyle::StandardPixmap icon, const QKeySequence& key,
                                  std::function<void()> command) {
        QAction* button = m_toolBar->addAction(style()->standardIcon(icon), name);
        button->setObjectName(name);
        button->setShortcut(key);
        // The keys work while the browser has the focus, not elsewhere in the program.
        button->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(button);
        button->setToolTip(name + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')'));
        connect(button, &QAction::triggered, this, [this, command] {
            startTimer();
            command();
        });
    };
    addButton(QStringLiteral("Back"), QStyle::SP_ArrowBack, QKeySequence(Qt::ALT | Qt::Key_Left),
              [this] { m_view->back(); });
    addButton(QStringLiteral("Forward"), QStyle::SP_ArrowForward, QKeySequence(Qt::ALT | Qt::Key_Right),
              [this] { m_view->forward(); });
    addButton(QStringLiteral("Refresh"), QStyle::SP_BrowserReload, QKeySequence(Qt::Key_F5),
              [this] { m_view->reload(); });
    addButton(QStringLiteral("Home"), QStyle::SP_DirHomeIcon, QKeySequence(Qt::ALT | Qt::Key_Home),
              [this] { navigate(withEncodedBlanks(m_state.baseAddress)); });
    addButton(QStringLiteral("Search"), QStyle::SP_FileDialogContentsView, QKeySequence(Qt::CTRL | Qt::Key_E),
              [this] { navigate(searchPage()); });
    addButton(QStringLiteral("Stop"), QStyle::SP_BrowserStop, QKeySequence(Qt::Key_Escape), [this] {
        m_timer->stop();
        m_view->stop();
        showTitle();
    });

    connect(m_open, &QPushButton::clicked, this, &BrowserWindow::openWithTimer);
    // A choice from the list; Enter in the box is taken by the event filter.
    connect(m_address, &QComboBox::activated, this, [this](int index) {
        if (!m_noNavigation)
            navigate(m_address->itemText(index));
    });
    m_address->installEventFilter(this);
    m_address->lineEdit()->installEventFilter(this);

    connect(m_view, &QWebEngineView::loadStarted, this, [this] { m_busy = true; });
    connect(m_view, &QWebEngineView::loadFinished, this, [this] {
        m_busy = false;
        pageLoaded();
    });
}

BrowserParts makeBrowserWindow(AppState& state) {
    auto* window = new BrowserWindow(state);
    return {window, window, window};
}

QSize BrowserWindow::preferredSize() const {
    return {760, 540};
}

void BrowserWindow::openAddress(const QString& address) {
    m_address->setEditText(withEncodedBlanks(address));
    m_open->click();
}

void BrowserWindow::openWithTimer() {
    if (m_noNavigation)
        return;
    navigate(addressWithTimer(m_address->currentText(), secondsSinceMidnight(m_clock())));
}

void BrowserWindow::navigate(const QString& text) {
    if (m_noNavigation || text.trimmed().isEmpty())
        return;
    startTimer();
    m_view->setUrl(QUrl::fromUserInput(text.trimmed()));
}

void BrowserWindow::startTimer() {
    m_timer->start();
}

void BrowserWindow::pageLoaded() {
    showTitle();
    const QString address = m_view->url().toString(QUrl::FullyEncoded);
    if (address.isEmpty())
        return;
    m_noNavigation = true;
    QStringList history;
    for (int i = 0; i < m_address->count(); ++i)
        history << m_address->itemText(i);
    m_address->clear();
    m_address->addItems(historyAfterVisit(history, address));
    m_address->setCurrentIndex(0);
    m_noNavigation = false;
}

void BrowserWindow::tick() {
    if (m_busy) {
        setWindowTitle(QStringLiteral("Working..."));
        return;
    }
    m_timer->stop();
    showTitle();
}

void BrowserWindow::showTitle() {
    const QString title = m_view->title();
    if (!title.isEmpty())
        setWindowTitle(title);
}

bool BrowserWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            navigate(m_address->currentText());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace onda
