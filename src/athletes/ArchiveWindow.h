#pragma once

#include "athletes/ArchiveFlow.h"
#include "core/WindowHost.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace onda {

class AppState;
class DataSource;
class DataSourceModel;

// frmanag: the club's register of athletes and relay teams. The commands work on the
// register; the window's navigator shows what they wrote.
class ArchiveWindow : public QWidget, public ChildWindow, public AthleteArchive, private ArchiveFlow::Port {
    Q_OBJECT
public:
    // `host`: the main window, through which this window reaches the others; none in tests.
    explicit ArchiveWindow(AppState& state, WindowHost* host = nullptr, QWidget* parent = nullptr);
    ~ArchiveWindow() override;

    QList<DataSource*> dataSources() const override;
    void load() override;
    QSize preferredSize() const override;

    // Opened from the registration window: a new athlete under the first free provisional code.
    void openForNewAthlete() override;
    // Opened from the main window: the club's individual athletes, by name.
    void openOnClubAthletes() override;

    DataSource& navigator() const { return *m_data3; }
    bool isNewRecord() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Status showAthletes(const AthleteScope& scope) override;
    Status showWritten(const WrittenAthlete& written) override;
    Status showRemoved() override;
    void showNewRecord(bool on) override;
    // The navigator read again and put on the athlete with `code`.
    Status showInNavigator(const QString& code);
    // The navigator put on the athlete with `code`, written in place, and only that row read
    // again; false when the athletes must be read whole.
    bool showChangedInNavigator(const QString& code, bool renamed);
    enum class Move { First, Previous, Next, Last };
    void moveNavigator(Move move);

    void buildControls();
    void lookupCode();
    void navigatorMoved();
    void newRecord();
    void remove();
    void closeWithHandBack();
    void changeCode();
    void nameEntered();
    void yearLeft();
    void clubEntered();
    void clubLeft();
    void sexChosen();
    void categoryChosen();
    void recordKindChosen();

    AthleteRecord boxes() const;
    void showRecord(const AthleteRecord& record);
    void emptyBoxes();
    void closeWindow();
    void centreInArea();

    AppState& m_state;

    WindowHost* m_host;
    DataSource* m_data3; // navigator
    DataSource* m_clubs; // the club list: one entry per record of natl
    DataSource* m_categories;
    DataSourceModel* m_clubModel;
    DataSourceModel* m_categoryModel;
    ArchiveFlow m_flow;

    QLineEdit* m_code = nullptr;         // Text1
    QLineEdit* m_shownCode = nullptr;    // txtfields(0), the navigator's code
    QLineEdit* m_name = nullptr;         // txtfields(1)
    QLineEdit* m_year = nullptr;         // txtfields(2)
    QComboBox* m_club = nullptr;         // Combo1
    QComboBox* m_sex = nullptr;          // Combo2
    QComboBox* m_category = nullptr;     // Combo3
    QRadioButton* m_athlete = nullptr;   // Option1(0)
    QRadioButton* m_team = nullptr;      // Option1(1)
    QCheckBox* m_newFlag = nullptr;      // Check1
    QPushButton* m_add = nullptr;        // cmdAdd
    QPushButton* m_update = nullptr;     // cmdUpdate
    QPushButton* m_delete = nullptr;     // cmdDelete
    QPushButton* m_close = nullptr;      // cmdClose
    QPushButton* m_cancel = nullptr;     // Command1
    QPushButton* m_changeCode = nullptr; // Command6
    QPushButton* m_lookup = nullptr;     // Command5, out of sight
};

// The main window's "DataBase Atleti": refused without a club or an open competition.
void openAthleteArchive(AppState& state, WindowHost& windows);

} // namespace onda
