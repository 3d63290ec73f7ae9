#include "entry/RegistrationWindow.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "entry/NewestFirstModel.h"
#include "entry/RegistrationBook.h"
#include "entry/RegistrationFlow.h"
#include "entry/RegistrationSelection.h"
#include "store/DataSource.h"
#include "store/DataSourceModel.h"
#include "store/Schema.h"
#include "store/Values.h"

#include "ui/AccessibleNames.h"
#include "ui/GridKeys.h"
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStringListModel>
#include <QTableView>
#include <QVBoxLayout>

namespace onda {

namespace {

QLineEdit* lineEdit(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

RegistrationWindow::RegistrationWindow(AppState& state, WindowHost* host, QWidget* parent)
    : QWidget(parent), m_state(state), m_host(host), m_nprgSupp(new DataSource(QStringLiteral("nprgSupp"), this)),
      m_book(std::make_unique<RegistrationBook>(state)),
      m_flow(std::make_unique<RegistrationFlow>(state, state.dialogs, *m_book,
                                                static_cast<RegistrationFlow::Port&>(*this))) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Iscrizioni"));
    m_nprgSupp->setRecordSource(QStringLiteral("nprg"));
    buildControls();
    connect(&m_state.session, &CompetitionSession::changed, this, &RegistrationWindow::updateNoteMark);
}

RegistrationWindow::~RegistrationWindow() = default;

void RegistrationWindow::buildControls() {
    // Dati Atleta
    auto* athlete = new QGroupBox(QStringLiteral("Dati Atleta"), this);
    athlete->setObjectName(QStringLiteral("FrameAtleta"));
    m_codeEntry = lineEdit(QStringLiteral("Text2"), athlete);
    auto* lookup = button(QStringLiteral("cmdCerca"), QStringLiteral("C&erca"), athlete);
    lookup->setAccessibleName(QStringLiteral("Cerca il codice atleta"));
    m_nameList = new QComboBox(athlete);
    m_nameList->setObjectName(QStringLiteral("DBCombo1"));
    m_nameList->setEditable(true);
    m_nameList->setInsertPolicy(QComboBox::NoInsert);
    // The names the flow read, shared with it: a club's archive of 100,000 is one list, not
    // 100,000 items.
    m_names = new QStringListModel(m_nameList);
    m_nameList->setModel(m_names);
    nameAfterCaption(m_nameList, QStringLiteral("Nome dell'atleta"));
    auto* entryLabel = captionLabel(
        QStringLiteral("Scrivi qui il codice atleta e clicca accanto       oppure seleziona qui il nome dell'atleta"),
        m_codeEntry, athlete);
    entryLabel->setWordWrap(true);
    m_code = lineEdit(QStringLiteral("Text1_0"), athlete);
    m_name = lineEdit(QStringLiteral("Text1_1"), athlete);
    m_sex = new QComboBox(athlete);
    m_sex->setObjectName(QStringLiteral("Combo1"));
    m_sex->setEditable(true);
    m_sex->setInsertPolicy(QComboBox::NoInsert);
    m_sex->addItems({QStringLiteral("M"), QStringLiteral("F"), QStringLiteral("B")});
    m_sex->setCurrentIndex(-1);
    m_sex->setEditText({});
    m_year = lineEdit(QStringLiteral("Text1_3"), athlete);
    m_category = new QComboBox(athlete);
    m_category->setObjectName(QStringLiteral("categoria"));
    m_category->setEditable(true);
    m_category->setInsertPolicy(QComboBox::NoInsert);
    auto* recall = button(QStringLiteral("cmdRichiama"), QStringLiteral("&Richiama"), athlete);
    auto* set = button(QStringLiteral("cmdImposta"), QStringLiteral("&Imposta Atleta"), athlete);
    auto* fresh = button(QStringLiteral("Atl"), QStringLiteral("Atleta &Nuovo"), athlete);
    auto* clear = button(QStringLiteral("Clear"), QStringLiteral("C&lear"), athlete);

    auto* athleteGrid = new QGridLayout(athlete);
    athleteGrid->addWidget(entryLabel, 0, 0, 1, 3);
    athleteGrid->addWidget(m_codeEntry, 1, 0);
    athleteGrid->addWidget(lookup, 1, 1);
    athleteGrid->addWidget(m_nameList, 1, 2);
    athleteGrid->addWidget(captionLabel(QStringLiteral("Codice"), m_code, athlete), 2, 0);
    athleteGrid->addWidget(m_code, 2, 1, 1, 2);
    athleteGrid->addWidget(captionLabel(QStringLiteral("Cognome e nome"), m_name, athlete), 3, 0);
    athleteGrid->addWidget(m_name, 3, 1, 1, 2);
    athleteGrid->addWidget(captionLabel(QStringLiteral("Sesso (M/F)"), m_sex, athlete), 4, 0);
    athleteGrid->addWidget(m_sex, 4, 1, 1, 2);
    athleteGrid->addWidget(captionLabel(QStringLiteral("Anno"), m_year, athlete), 5, 0);
    athleteGrid->addWidget(m_year, 5, 1, 1, 2);
    athleteGrid->addWidget(captionLabel(QStringLiteral("Categoria"), m_category, athlete), 6, 0);
    athleteGrid->addWidget(m_category, 6, 1, 1, 2);
    auto* athleteButtons = new QHBoxLayout;
    for (QPushButton* b : {recall, set, fresh, clear})
        athleteButtons->addWidget(b);
    athleteGrid->addLayout(athleteButtons, 7, 0, 1, 3);
    athleteGrid->setColumnStretch(2, 1);
    athleteGrid->setRowStretch(8, 1);

    // Iscrizione Gare
    auto* races = new QGroupBox(QStringLiteral("Iscrizione Gare"), this);
    races->setObjectName(QStringLiteral("FrameGare"));
    auto* instruction = new QLabel(QStringLiteral("Seleziona la gara a cui vuoi iscrivere l'atleta ed indica il tempo "
                                                  "di iscrizione nel formato mm:ss.dd, es.: 01:32.52"),
                                   races);
    instruction->setWordWrap(true);
    m_races = new QListWidget(races);
    m_races->setObjectName(QStringLiteral("List1"));
    m_selectedRace = new QLabel(races);
    m_selectedRace->setObjectName(QStringLiteral("Label2_0"));
    m_time = lineEdit(QStringLiteral("tempo"), races);
    auto* registerHint = new QLabel(QStringLiteral("Iscrivi l'atleta cliccando sul bottone qui sotto"), races);
    m_register = button(QStringLiteral("Iscrivi"), QStringLiteral("Is&crivi"), races);
    m_register->setEnabled(false);
    auto* showRaces = button(QStringLiteral("cmdGare"), QStringLiteral("&Visualizza Gare Presenti"), races);
    auto* showNote = button(QStringLiteral("cmdNote"), QStringLiteral("Visualizza N&ote"), races);
    m_notePresent = new QCheckBox(QStringLiteral("Nota presente"), races);
    m_notePresent->setObjectName(QStringLiteral("NotaPresente"));
    m_notePresent->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_notePresent->setFocusPolicy(Qt::NoFocus);

    auto* raceLayout = new QVBoxLayout(races);
    raceLayout->addWidget(instruction);
    auto* raceLine = new QHBoxLayout;
    raceLine->addWidget(captionLabel(QStringLiteral("&Gara:"), m_races, races));
    raceLine->addWidget(m_selectedRace, 1);
    raceLayout->addLayout(raceLine);
    raceLayout->addWidget(m_races, 1);
    m_useBestTime = button(QStringLiteral("cmdMigliorTempo"), QStringLiteral("&Usa miglior tempo"), races);
    m_useBestTime->setEnabled(false);
    m_bestTime = new QLabel(races);
    m_bestTime->setObjectName(QStringLiteral("MigliorTempo"));
    auto* timeLine = new QHBoxLayout;
    timeLine->addWidget(captionLabel(QStringLiteral("&Tempo"), m_time, races));
    timeLine->addWidget(m_time, 1);
    timeLine->addWidget(m_useBestTime);
    raceLayout->addLayout(timeLine);
    raceLayout->addWidget(m_bestTime);
    m_standard = new QLabel(races);
    m_standard->setObjectName(QStringLiteral("TempoLimite"));
    m_standard->setWordWrap(true);
    raceLayout->addWidget(m_standard);
    m_deadline = new QLabel(races);
    m_deadline->setObjectName(QStringLiteral("TermineIscrizioni"));
    raceLayout->addWidget(m_deadline);
    raceLayout->addWidget(registerHint);
    raceLayout->addWidget(m_register);
    auto* noteLine = new QHBoxLayout;
    noteLine->addWidget(showRaces);
    noteLine->addWidget(showNote);
    noteLine->addWidget(m_notePresent);
    raceLayout->addLayout(noteLine);

    // The club's registrations.
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setAccessibleName(QStringLiteral("Iscrizioni della societa'"));
    auto* gridSource = new DataSourceModel(m_nprgSupp, m_grid);
    const QStringList columns = {QStringLiteral("codatl"), QStringLiteral("Nome"), QStringLiteral("Sesso"),
                                 QStringLiteral("anno"),   QStringLiteral("Soc"),  QStringLiteral("cat"),
                                 QStringLiteral("spec"),   QStringLiteral("m"),    QStringLiteral("s"),
                                 QStringLiteral("Status")};
    gridSource->setColumns(columns);
    for (int c = 0; c < columns.size(); ++c)
        gridSource->setHeaderCaption(c, columns.at(c));
    m_gridModel = new NewestFirstModel(m_grid);
    m_gridModel->setSourceModel(gridSource);
    m_grid->setModel(m_gridModel);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setDefaultSectionSize(82);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setColumnWidth(1, 180); // names
    m_grid->setWordWrap(false);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    useGridKeys(m_grid);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStato"));
    auto* close = button(QStringLiteral("Chiudi"), QStringLiteral("C&hiudi"), this);

    auto* top = new QHBoxLayout;
    top->addWidget(athlete, 1);
    top->addWidget(races, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bottom);

    const QList<QWidget*> tabOrder = {m_codeEntry,   lookup,     m_nameList, m_code,   m_name, m_sex,   m_year,
                                      m_category,    recall,     set,        fresh,    clear,  m_races, m_time,
                                      m_useBestTime, m_register, showRaces,  showNote, m_grid, close};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));

    connect(m_codeEntry, &QLineEdit::returnPressed, this, &RegistrationWindow::lookupByCode);
    connect(lookup, &QPushButton::clicked, this, &RegistrationWindow::lookupByCode);
    connect(m_nameList, &QComboBox::textActivated, this, [this] {
        if (!m_filling)
            lookupByName();
    });
    // A typed name is looked up once it names one of the club's athletes.
    connect(m_nameList->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!m_filling && m_nameList->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0)
            lookupByName();
    });
    connect(m_nameList->lineEdit(), &QLineEdit::returnPressed, this, [this] { showView(m_flow->nameEntered(form())); });
    connect(recall, &QPushButton::clicked, this, &RegistrationWindow::recall);
    connect(set, &QPushButton::clicked, this, &RegistrationWindow::setAthlete);
    connect(fresh, &QPushButton::clicked, this, &RegistrationWindow::newAthlete);
    connect(clear, &QPushButton::clicked, this, &RegistrationWindow::clearAthlete);
    connect(m_register, &QPushButton::clicked, this, &RegistrationWindow::registerAthlete);
    connect(m_useBestTime, &QPushButton::clicked, this, [this] {
        m_time->setText(m_bestTimeValue);
        m_time->setFocus();
    });
    connect(m_time, &QLineEdit::textChanged, this, [this] {
        if (!m_filling)
            showStandard();
    });
    connect(m_races, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling && row >= 0)
            chooseRace(row);
    });
    connect(m_races, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        // A click on the line already chosen shows its time again.
        if (!m_filling && m_races->row(item) == m_races->currentRow() &&
            raceOfLine(item->text()) == m_selectedRace->text())
            chooseRace(m_races->row(item));
    });
    connect(showRaces, &QPushButton::clicked, this, [this] {
        if (m_host)
            if (QWidget* w = m_host->child(Child::RaceList))
                m_host->showChild(w);
    });
    connect(showNote, &QPushButton::clicked, this, [this] {
        if (m_host)
            if (NoteDesk* note = m_host->noteDesk())
                note->showNote(m_book->competition());
    });
    connect(close, &QPushButton::clicked, this, [this] {
        if (m_host)
            m_host->hideChild(this);
        else
            hide();
    });
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QModelIndex index = m_grid->indexAt(pos);
        if (!index.isValid()) // the menu key: the current row
            index = m_grid->currentIndex();
        if (!index.isValid() || !m_gridMenu)
            return;
        prepareGridMenu(index.row());
        m_gridMenu->popup(m_grid->viewport()->mapToGlobal(pos));
    });

    for (QWidget* w : {static_cast<QWidget*>(m_code), static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_year),
                       static_cast<QWidget*>(m_sex), static_cast<QWidget*>(m_time)})
        w->installEventFilter(this);
}

void RegistrationWindow::showBestTime() {
    const RegistrationFlow::BestTimeLine best = m_flow->bestTime(form());
    m_bestTimeValue = best.time;
    m_bestTime->setText(best.text);
    m_bestTime->setAccessibleName(best.text.isEmpty() ? QStringLiteral("Miglior tempo: nessuno") : best.text);
    m_useBestTime->setEnabled(!best.time.isEmpty());
    showStandard();
}

void RegistrationWindow::showStandard() {
    const QString line = m_flow->standardLine(form());
    m_standard->setText(line);
    m_standard->setAccessibleName(line.isEmpty() ? QStringLiteral("Tempo limite: nessuno") : line);
    const QString deadline = m_flow->deadlineLine();
    m_deadline->setText(deadline);
    m_deadline->setAccessibleName(deadline.isEmpty() ? QStringLiteral("Termine per le iscrizioni: nessuno") : deadline);
}

QSize RegistrationWindow::preferredSize() const {
    return {900, 640};
}

QList<DataSource*> RegistrationWindow::dataSources() const {
    return {m_nprgSupp};
}

void RegistrationWindow::load() {
    m_book->load();
    if (m_book->competition().isEmpty())
        return;
    // The fields of the table, not its rows: the grid reads the club's rows when the window
    // opens, and the table holds every club's registrations.
    m_nprgSupp->setRecordSource(QStringLiteral("select * from ") + m_book->table() + QStringLiteral(" where 1=0"));
    m_gridOnClubRows = false;
    // A table that cannot be read leaves the grid empty, as above.
    (void)m_nprgSupp->refresh();
}

void RegistrationWindow::showRewrittenRegistration(qlonglong order) {
    // The grid on the club's rows holds the row: it alone is read again, not the whole grid.
    // Found by its key, the table is asked for it: the grid's rows are not read one by one.
    if (m_gridOnClubRows && m_nprgSupp->fieldIndex(QStringLiteral("OrdineInserimento")) >= 0 &&
        m_nprgSupp->findFirst(QStringLiteral("OrdineInserimento=") + QString::number(order)) &&
        !m_nprgSupp->noMatch() && m_nprgSupp->reloadCurrentRow() && m_nprgSupp->moveLast())
        return;
    showClubRegistrations();
}

int RegistrationWindow::gridRowOf(qlonglong order) const {
    // The club's rows are shown newest first: a row is found by halving, reading a few rows.
    const int key = m_nprgSupp->fieldIndex(QStringLiteral("OrdineInserimento"));
    int low = 0;
    int high = m_nprgSupp->rowCount() - 1;
    while (key >= 0 && low <= high) {
        const int middle = low + (high - low) / 2;
        const QVariant at = m_nprgSupp->value(middle, key);
        if (at.isNull())
            return -1;
        if (at.toLongLong() == order)
            return middle;
        if (at.toLongLong() > order)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

void RegistrationWindow::showRemovedRegistrations(const QList<qlonglong>& orders) {
    // A source learns of a row deleted elsewhere when it deletes it too: the grid drops it.
    // A row the grid lacks means the grid was not the table's: it is read again.
    bool followed = m_gridOnClubRows;
    for (qlonglong order : orders) {
        const int row = followed ? gridRowOf(order) : -1;
        followed = row >= 0 && m_nprgSupp->setPosition(row) && m_nprgSupp->remove().number == err::RecordDeleted;
    }
    if (!followed)
        showClubRegistrations();
}

void RegistrationWindow::showClubRegistrations() {
    m_nprgSupp->setRecordSource(clubRegistrationsQuery(m_book->competition(), m_state.club));
    m_gridOnClubRows = true;
    // A grid that cannot be read shows no rows, and the flow counts none: the table's state as
    // far as this window can know it.
    (void)m_nprgSupp->refresh();
    if (m_nprgSupp->rowCount() > 0)
        (void)m_nprgSupp->moveLast(); // a grid with rows has a last one
}

void RegistrationWindow::openOnCompetition() {
    showView(m_flow->open());
    if (m_host)
        m_host->showChild(this);
    updateNoteMark();
}

void RegistrationWindow::updateNoteMark() {
    const bool present = m_state.competition().notePresent;
    m_notePresent->setChecked(present);
    QFont font = m_notePresent->font();
    font.setBold(present);
    m_notePresent->setFont(font);
}

RegistrationForm RegistrationWindow::form() const {
    RegistrationForm f;
    f.codeEntry = m_codeEntry->text();
    f.nameEntry = m_nameList->currentText();
    f.code = m_code->text();
    f.name = m_name->text();
    f.sex = m_sex->currentText();
    f.year = m_year->text();
    f.category = m_category->currentText();
    for (int line = 0; line < m_races->count(); ++line)
        f.raceLines << m_races->item(line)->text();
    f.race = m_selectedRace->text();
    f.time = m_time->text();
    return f;
}

void RegistrationWindow::showView(const RegistrationView& view) {
    // What the program writes into the lists is not the user choosing.
    m_filling = true;
    if (view.clubNames) {
        const QString typed = m_nameList->currentText();
        // The same names read again are not put in the list again.
        if (*view.clubNames != m_names->stringList())
            m_names->setStringList(*view.clubNames);
        m_nameList->setCurrentIndex(-1);
        m_nameList->setEditText(typed);
    }
    const std::pair<const std::optional<QString>&, QLineEdit*> boxes[] = {{view.codeEntry, m_codeEntry},
                                                                          {view.code, m_code},
                                                                          {view.name, m_name},
                                                                          {view.year, m_year},
                                                                          {view.time, m_time}};
    for (const auto& [value, box] : boxes) {
        if (value)
            box->setText(*value);
    }
    if (view.nameEntry)
        m_nameList->setEditText(*view.nameEntry);
    if (view.sex)
        m_sex->setEditText(*view.sex);
    if (view.categories) {
        m_category->clear();
        m_category->addItems(*view.categories);
    }
    if (view.category)
        m_category->setEditText(*view.category);
    if (view.raceLines) {
        m_races->clear();
        m_races->addItems(*view.raceLines);
    }
    if (view.raceLine)
        m_races->setCurrentRow(*view.raceLine);
    if (view.race)
        m_selectedRace->setText(*view.race);
    if (view.status)
        m_status->setText(*view.status);
    if (view.caption)
        setWindowTitle(*view.caption);
    if (view.registerEnabled)
        m_register->setEnabled(*view.registerEnabled);
    m_filling = false;
    showBestTime();
    if (view.focusCodeEntry) {
        // The next code typed replaces the one there.
        m_codeEntry->setFocus(Qt::OtherFocusReason);
        m_codeEntry->selectAll();
    }
    if (view.sexRefused)
        QMetaObject::invokeMethod(m_sex, qOverload<>(&QWidget::setFocus), Qt::QueuedConnection);
}

void RegistrationWindow::showCategoryList() {
    if (m_host)
        if (QWidget* w = m_host->child(Child::CategoryList))
            m_host->showChild(w);
}

void RegistrationWindow::lookupByCode() {
    showView(m_flow->lookupByCode(form()));
}

void RegistrationWindow::lookUpAthlete(const QString& code) {
    m_codeEntry->setText(code);
    lookupByCode();
}

void RegistrationWindow::recall() {
    showView(m_flow->recall(form()));
}

void RegistrationWindow::lookupByName() {
    showView(m_flow->lookupByName(form()));
}

void RegistrationWindow::setAthlete() {
    showView(m_flow->setAthlete(form()));
}

void RegistrationWindow::chooseRace(int line) {
    if (QListWidgetItem* item = m_races->item(line))
        showView(m_flow->chooseRace(form(), item->text()));
}

void RegistrationWindow::registerAthlete() {
    showView(m_flow->registerAthlete(form()));
}

void RegistrationWindow::newAthlete() {
    if (!m_host)
        return;
    if (AthleteArchive* archive = m_host->athleteArchive())
        archive->openForNewAthlete();
}

void RegistrationWindow::clearAthlete() {
    RegistrationView blank;
    // The race and the time chosen were the cleared athlete's, as the race list's selection.
    blank.code = blank.name = blank.sex = blank.year = blank.category = blank.race = blank.time = QString();
    blank.raceLine = -1;
    showView(blank);
}

void RegistrationWindow::setGridMenu(QMenu* menu) {
    m_gridMenu = menu;
    if (QAction* change = gridAction("modificaiscrizione"))
        connect(change, &QAction::triggered, this, &RegistrationWindow::changeRegistration);
    if (QAction* remove = gridAction("cancellaiscrizione"))
        connect(remove, &QAction::triggered, this, &RegistrationWindow::deleteRegistration);
}

QAction* RegistrationWindow::gridAction(const char* name) const {
    if (!m_gridMenu)
        return nullptr;
    for (QAction* action : m_gridMenu->actions()) {
        if (action->objectName() == QLatin1String(name))
            return action;
    }
    return nullptr;
}

void RegistrationWindow::prepareGridMenu(int row) {
    m_grid->selectRow(row);
    const auto cell = [&](int column) { return m_gridModel->index(row, column).data().toString(); };
    m_menuRow = {cell(1), cell(6)};
    if (QAction* caption = gridAction("atleta"))
        caption->setText(registrationMenuCaption(m_menuRow.name, m_menuRow.race));
}

void RegistrationWindow::changeRegistration() {
    if (gridAction("atleta"))
        showView(m_flow->changeRegistration(form(), m_menuRow));
}

void RegistrationWindow::deleteRegistration() {
    if (gridAction("atleta"))
        showView(m_flow->deleteRegistration(form(), m_menuRow));
}

bool RegistrationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            QMetaObject::invokeMethod(edit, &QLineEdit::selectAll, Qt::QueuedConnection);
    } else if (event->type() == QEvent::FocusOut && !m_checkingFocus) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // A dialog or a menu taking the focus is not the user leaving the field.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return QWidget::eventFilter(watched, event);
        m_checkingFocus = true;
        if (watched == m_code || watched == m_name) {
            auto* edit = static_cast<QLineEdit*>(watched);
            edit->setText(edit->text().toUpper());
        } else if (watched == m_year) {
            showView(m_flow->leaveYear(form()));
        } else if (watched == m_sex) {
            showView(m_flow->leaveSex(form()));
        }
        m_checkingFocus = false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace onda
