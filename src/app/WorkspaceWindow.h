#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

namespace onda {

struct AppState;
class DataSource;

// The rows of the competition grid: number, mark, name, place, date, user name.
QList<QStringList> competitionGridRows(const QString& databasePath);

// Form2: the competition workspace.
class WorkspaceWindow : public QWidget {
    Q_OBJECT
public:
    explicit WorkspaceWindow(AppState& state, QWidget* parent = nullptr);
    ~WorkspaceWindow() override;

    // Load step: binds the data sources, fills the grid.
    void load();
    QSize preferredSize() const;

    QList<DataSource*> dataSources() const;
    DataSource& configSource() const { return *m_config; }
    DataSource& manifSource() const { return *m_manif; }
    DataSource& registrationsSource() const { return *m_iscrizioni; }
    DataSource& programmeSource() const { return *m_programmi; }

    void FillCompetitionGrid();
    QTableWidget* competitionGrid() const { return m_grid; }

    QPushButton* button(int index) const; // Command1(index)
    void pressButton(int index);
    void setClubLabel(const QString& club); // soc

private:
    AppState& m_state;
    DataSource* m_config;
    DataSource* m_natl;
    DataSource* m_iscrizioni;
    DataSource* m_programmi;
    DataSource* m_categorie;
    DataSource* m_manif;
    QTableWidget* m_grid = nullptr;
    QLabel* m_soc = nullptr;
    QList<QPushButton*> m_buttons; // by index; 1 is unused
};

} // namespace onda
