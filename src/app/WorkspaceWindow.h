#pragma once

#include "app/CompetitionOpening.h"
#include "core/WindowHost.h"

#include <QList>
#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

namespace onda {

class AppState;
class DataSource;
class ServicePort;

// The rows of the competition grid: number, mark, name, place, date, user name.
QList<QStringList> competitionGridRows(const QString& databasePath);

// The workspace's buttons, Command1(index).
enum class WorkspaceButton { RefreshList = 0, Register = 2, Deposit = 3, Check = 4 };

// Form2: the competition workspace.
class WorkspaceWindow : public QWidget, public ChildWindow, public WorkspaceView {
    Q_OBJECT
public:
    // `host`: the main window, through which this window reaches the others; none in tests.
    explicit WorkspaceWindow(AppState& state, WindowHost* host = nullptr, QWidget* parent = nullptr);
    ~WorkspaceWindow() override;

    // Load step, once the data sources are bound: fills the grid, shows the open competition.
    void load() override;
    QSize preferredSize() const override;

    QList<DataSource*> dataSources() const override;
    DataSource& configSource() const { return *m_config; }

    void FillCompetitionGrid() override;
    QTableWidget* competitionGrid() const { return m_grid; }

    QPushButton* button(WorkspaceButton which) const;
    void pressButton(WorkspaceButton which);
    void setClubLabel(const QString& club); // soc
    void showChosenUser(const QString& user) override { setClubLabel(user); }
    void markListRefreshed() override;
    // The link with the service the buttons and the on-line opening use; the main window's.
    void setServicePort(ServicePort* service);

    // "Iscrizioni" and a double click on the grid: the selected competition, after the mode window.
    void OpenCompetition();
    // The same for grid row `row` with the mode already chosen (the mode window is not shown).
    void openCompetitionAt(int row, OpeningMode mode);
    // "Controlla le iscrizioni su Ondaweb".
    void checkRegistrations();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // The labels of the open competition follow the program-wide state, never the other way.
    void showCompetition();

private:
    void startOpening(int row);
    void continueOpening(int row, OpeningMode mode);
    ListedRow listedRow(int row) const;
    QString cell(int row, int column) const;

    AppState& m_state;

    WindowHost* m_host;
    DataSource* m_config;
    QTableWidget* m_grid = nullptr;
    QLabel* m_soc = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_place = nullptr;
    QLabel* m_date = nullptr;
    QLabel* m_number = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_categories = nullptr;
    QList<QPushButton*> m_buttons; // by index; 1 is unused
    CompetitionOpeningFlow m_opening;
    ServicePort* m_service = nullptr;
};

} // namespace onda
