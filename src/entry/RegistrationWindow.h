#pragma once

#include "core/WindowHost.h"
#include "entry/RegistrationFlow.h"

#include <QList>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QStringListModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTableView;

namespace onda {

class AppState;
class DataSource;
class NewestFirstModel;
class RegistrationBook;

// Form1: the registration window of the open competition. Left, the athlete ("Dati
// Atleta"); right, the races and the entry time ("Iscrizione Gare"); below, the club's
// registrations. Its commands run in RegistrationFlow: this class reads the controls,
// calls the flow and writes the result back.
class RegistrationWindow : public QWidget, public ChildWindow, public RegistrationDesk, private RegistrationFlow::Port {
    Q_OBJECT
public:
    // `host`: the main window, through which this window reaches the others; none in tests.
    explicit RegistrationWindow(AppState& state, WindowHost* host = nullptr, QWidget* parent = nullptr);
    ~RegistrationWindow() override;

    QList<DataSource*> dataSources() const override;
    // Load step: Records is made ready; the sources follow the open competition's table.
    void load() override;
    QSize preferredSize() const override;

    // Opens the window on the current competition: sources on the club's registrations,
    // the club's athletes in the name list, the caption with the club's count; shows it.
    void openOnCompetition() override;
    // The pop-up menu of the grid, owned by the main window (items atleta,
    // modificaiscrizione, cancellaiscrizione).
    void setGridMenu(QMenu* menu);
    // What a right click on a grid row does before the menu pops up.
    void prepareGridMenu(int row);

    // The commands of the window, as its buttons and keys run them.
    void lookupByCode();
    void lookUpAthlete(const QString& code) override;
    bool isShown() const override { return isVisible(); }
    void recall();
    void lookupByName();
    void setAthlete();
    void registerAthlete();
    void newAthlete();
    void clearAthlete();
    void chooseRace(int line);
    void changeRegistration();
    void deleteRegistration();

    // The club's registrations as the grid shows them.
    DataSource& registrations() const { return *m_nprgSupp; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    RegistrationForm form() const;
    void showView(const RegistrationView& view);
    void showCategoryList() override;
    void showClubRegistrations() override;
    void showRewrittenRegistration(qlonglong order) override;
    void showRemovedRegistrations(const QList<qlonglong>& orders) override;
    int gridRowOf(qlonglong order) const; // the grid's row of that insertion order; -1 when none
    void updateNoteMark();
    void showBestTime();
    void showStandard();
    QAction* gridAction(const char* name) const;

    AppState& m_state;

    WindowHost* m_host;
    DataSource* m_nprgSupp;        // the grid's
    bool m_gridOnClubRows = false; // it holds the club's rows of the competition shown
    std::unique_ptr<RegistrationBook> m_book;
    std::unique_ptr<RegistrationFlow> m_flow;
    NewestFirstModel* m_gridModel = nullptr; // what the grid shows, newest first
    QMenu* m_gridMenu = nullptr;
    RegistrationRow m_menuRow; // the grid's row the menu was last opened on

    QLineEdit* m_codeEntry = nullptr;    // Text2
    QComboBox* m_nameList = nullptr;     // DBCombo1
    QStringListModel* m_names = nullptr; // the items of the name list
    QLineEdit* m_code = nullptr;         // Text1(0)
    QLineEdit* m_name = nullptr;         // Text1(1)
    QComboBox* m_sex = nullptr;          // Combo1
    QLineEdit* m_year = nullptr;         // Text1(3)
    QComboBox* m_category = nullptr;     // categoria
    QListWidget* m_races = nullptr;      // List1
    QLabel* m_selectedRace = nullptr;    // Label2(0)
    QLineEdit* m_time = nullptr;         // tempo
    QPushButton* m_register = nullptr;
    QPushButton* m_useBestTime = nullptr;
    QLabel* m_bestTime = nullptr;
    QString m_bestTimeValue;      // what "Usa miglior tempo" types
    QLabel* m_standard = nullptr; // the invitation's standard and the verdict on the time
    QLabel* m_deadline = nullptr;
    QLabel* m_status = nullptr;
    QCheckBox* m_notePresent = nullptr;
    QTableView* m_grid = nullptr; // DBGrid1
    bool m_filling = false;       // lists being refilled by the program, not chosen by the user
    bool m_checkingFocus = false;
};

} // namespace onda
