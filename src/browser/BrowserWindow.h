#pragma once

#include "browser/BrowserPage.h"
#include "core/Clock.h"
#include "core/WindowHost.h"

#include <QTime>
#include <QWidget>

#include <functional>

class QComboBox;
class QPushButton;
class QTimer;
class QToolBar;
class QWebEngineView;

namespace onda {

class AppState;

// frmBrowser: the program's own browser, for the service's pages and the help page.
class BrowserWindow : public QWidget, public ChildWindow, public BrowserPage {
    Q_OBJECT
public:
    explicit BrowserWindow(AppState& state, QWidget* parent = nullptr);

    QList<DataSource*> dataSources() const override { return {}; }
    QSize preferredSize() const override;

    void openAddress(const QString& address) override;
    // The time of day the timer parameter is taken from.
    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }

    QWebEngineView* view() const { return m_view; }
    bool isBusy() const { return m_busy; }

private:
    void openWithTimer();
    void navigate(const QString& text);
    void pageLoaded();
    void tick();
    void showTitle();
    void startTimer();
    bool eventFilter(QObject* watched, QEvent* event) override;

    AppState& m_state;
    QToolBar* m_toolBar = nullptr;
    QComboBox* m_address = nullptr;
    QPushButton* m_open = nullptr;
    QWebEngineView* m_view = nullptr;
    QTimer* m_timer = nullptr;
    std::function<QTime()> m_clock = [] { return Clock::now().time(); };
    bool m_busy = false;
    // Set while the program rewrites the address list, which must not navigate.
    bool m_noNavigation = false;
};

} // namespace onda
