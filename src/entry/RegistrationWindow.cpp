#include "entry/RegistrationWindow.h"

#include "athletes/AthleteCodes.h"
#include "core/AppState.h"
#include "core/Categories.h"
#include "core/Dialogs.h"
#include "entry/EntryTime.h"
#include "entry/RegistrationBook.h"
#include "store/DataSource.h"
#include "store/DataSourceModel.h"
#include "store/Schema.h"
#include "store/Values.h"

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
#include <QLocale>
#include <QMenu>
#include <QPushButton>
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

QLabel* label(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return l;
}

} // namespace

RegistrationWindow::RegistrationWindow(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_nprg(new DataSource(QStringLiteral("nprg"), this)),
      m_nprgSupp(new DataSource(QStringLiteral("nprgSupp"), this)),
      m_natl(new DataSource(QStringLiteral("natl"), this)), m_records(new DataSource(QStringLiteral("Records"), this)),
      m_book(std::make_unique<RegistrationBook>(state, *m_nprg, *m_nprgSupp, *m_natl, *m_records)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Iscrizioni"));
    m_nprg->setRecordSource(QStringLiteral("nprg"));
    m_nprgSupp->setRecordSource(QStringLiteral("nprg"));
    m_natl->setRecordSource(QStringLiteral("natl"));
    m_records->setRecordSource(QStringLiteral("records"));
    buildControls();
    connect(&m_state, &AppState::competitionChanged, this, &RegistrationWindow::updateNoteMark);
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
    m_nameList->setAccessibleName(QStringLiteral("Nome dell'atleta"));
    auto* entryLabel = label(
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
    athleteGrid->addWidget(label(QStringLiteral("Codice"), m_code, athlete), 2, 0);
    athleteGrid->addWidget(m_code, 2, 1, 1, 2);
    athleteGrid->addWidget(label(QStringLiteral("Cognome e nome"), m_name, athlete), 3, 0);
    athleteGrid->addWidget(m_name, 3, 1, 1, 2);
    athleteGrid->addWidget(label(QStringLiteral("Sesso (M/F)"), m_sex, athlete), 4, 0);
    athleteGrid->addWidget(m_sex, 4, 1, 1, 2);
    athleteGrid->addWidget(label(QStringLiteral("Anno"), m_year, athlete), 5, 0);
    athleteGrid->addWidget(m_year, 5, 1, 1, 2);
    athleteGrid->addWidget(label(QStringLiteral("Categoria"), m_category, athlete), 6, 0);
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
    raceLine->addWidget(label(QStringLiteral("&Gara:"), m_races, races));
    raceLine->addWidget(m_selectedRace, 1);
    raceLayout->addLayout(raceLine);
    raceLayout->addWidget(m_races, 1);
    auto* timeLine = new QHBoxLayout;
    timeLine->addWidget(label(QStringLiteral("&Tempo"), m_time, races));
    timeLine->addWidget(m_time, 1);
    raceLayout->addLayout(timeLine);
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
    m_gridModel = new DataSourceModel(m_nprgSupp, m_grid);
    const QStringList columns = {QStringLiteral("codatl"), QStringLiteral("Nome"), QStringLiteral("Sesso"),
                                 QStringLiteral("anno"),   QStringLiteral("Soc"),  QStringLiteral("cat"),
                                 QStringLiteral("spec"),   QStringLiteral("m"),    QStringLiteral("s"),
                                 QStringLiteral("Status")};
    m_gridModel->setColumns(columns);
    for (int c = 0; c < columns.size(); ++c)
        m_gridModel->setHeaderCaption(c, columns.at(c));
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

    const QList<QWidget*> tabOrder = {m_codeEntry, lookup,    m_nameList, m_code, m_name, m_sex,   m_year,
                                      m_category,  recall,    set,        fresh,  clear,  m_races, m_time,
                                      m_register,  showRaces, showNote,   m_grid, close};
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
    connect(m_nameList->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        m_codeEntry->setText(m_code->text());
        (void)assignCategory(false);
    });
    connect(recall, &QPushButton::clicked, this, &RegistrationWindow::recall);
    connect(set, &QPushButton::clicked, this, [this] { (void)setAthlete(); });
    connect(fresh, &QPushButton::clicked, this, &RegistrationWindow::newAthlete);
    connect(clear, &QPushButton::clicked, this, &RegistrationWindow::clearAthlete);
    connect(m_register, &QPushButton::clicked, this, &RegistrationWindow::registerAthlete);
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
        if (m_state.windows)
            if (QWidget* w = m_state.windows->child(Child::RaceList))
                m_state.windows->showChild(w);
    });
    connect(showNote, &QPushButton::clicked, this, [this] {
        if (m_state.windows)
            if (QWidget* w = m_state.windows->child(Child::Note))
                m_state.windows->showChild(w);
    });
    connect(close, &QPushButton::clicked, this, [this] {
        if (m_state.windows)
            m_state.windows->hideChild(this);
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

QSize RegistrationWindow::preferredSize() const {
    return {900, 640};
}

QList<DataSource*> RegistrationWindow::dataSources() const {
    return {m_nprg, m_nprgSupp, m_natl, m_records};
}

void RegistrationWindow::load() {
    m_book->prepareRecords();
    const QString competition = m_state.currentCompetition();
    if (competition.isEmpty())
        return;
    const QString table = registrationTable(competition);
    m_nprg->setRecordSource(table);
    m_nprgSupp->setRecordSource(table);
    (void)m_nprg->refresh();
    (void)m_nprgSupp->refresh();
}

QString RegistrationWindow::clubCaption(int count) const {
    return QStringLiteral("Iscrizioni ") + m_state.club + QStringLiteral(". Numero iscrizioni: ") +
           QString::number(count);
}

void RegistrationWindow::openOnCompetition() {
    const int count = m_book->showClubRegistrations();
    reopen();
    if (m_state.windows)
        m_state.windows->showChild(this);
    updateNoteMark();
    setWindowTitle(clubCaption(count));
}

// The window reloaded for the current competition and club.
void RegistrationWindow::reopen(bool gridFresh) {
    // The club's rows, not the whole table: every command narrows the source before it
    // relies on it, and a large table would slow each reload.
    if (!gridFresh)
        (void)m_book->showClubRegistrations();
    // The list changes only when an athlete joins the club or is renamed.
    if (!gridFresh || m_nameList->findText(m_name->text().toUpper(), Qt::MatchFixedString | Qt::MatchCaseSensitive) < 0)
        fillNameList();
    setWindowTitle(m_state.competition().name);
}

void RegistrationWindow::fillNameList() {
    const QString typed = m_nameList->currentText();
    m_filling = true;
    m_nameList->clear();
    m_nameList->addItems(m_book->clubAthleteNames());
    m_nameList->setCurrentIndex(-1);
    m_nameList->setEditText(typed);
    m_filling = false;
}

void RegistrationWindow::updateNoteMark() {
    const bool present = !m_state.competition().note.trimmed().isEmpty();
    m_notePresent->setChecked(present);
    QFont font = m_notePresent->font();
    font.setBold(present);
    m_notePresent->setFont(font);
}

void RegistrationWindow::fillAthlete(const QString& code, const QString& name, const QString& sex,
                                     const QString& year) {
    m_code->setText(code);
    m_name->setText(name);
    m_sex->setEditText(sex);
    m_year->setText(year);
}

bool RegistrationWindow::assignCategory(bool withRaces) {
    const QString sex = m_sex->currentText();
    const QString year = m_year->text();
    const CategoryMatch match = cercaCategoria(m_state.competition().categoriesText, sex, year);
    m_category->clear();
    m_category->addItems(categoryItems(match.list));
    m_category->setEditText(match.category);
    if (match.category.isEmpty()) {
        if (m_state.dialogs.askYesNo(noCategoryQuestion(sex, year), Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
            showCategoryList();
        return false;
    }
    if (withRaces) {
        m_register->setEnabled(true);
        listRaces(m_codeEntry->text(), match.category, sex);
    }
    return true;
}

void RegistrationWindow::showCategoryList() {
    if (m_state.windows)
        if (QWidget* w = m_state.windows->child(Child::CategoryList))
            m_state.windows->showChild(w);
}

void RegistrationWindow::listRaces(const QString& code, const QString& category, const QString& sex) {
    const QStringList lines = m_book->raceLines(code, category, sex, m_year->text());
    m_filling = true;
    m_races->clear();
    m_races->addItems(lines);
    m_filling = false;
}

void RegistrationWindow::lookupByCode() {
    const std::optional<AthleteFields> found = m_book->findInClub(m_codeEntry->text());
    if (!found)
        return;
    fillAthlete(found->code, found->name, found->sex, found->year);
    m_filling = true;
    m_nameList->setEnabled(false);
    m_nameList->setEditText(found->name);
    m_nameList->setEnabled(true);
    m_filling = false;
    (void)assignCategory(true);
}

void RegistrationWindow::lookUpAthlete(const QString& code) {
    m_codeEntry->setText(code);
    lookupByCode();
}

void RegistrationWindow::recall() {
    const QString code = m_codeEntry->text().toUpper();
    const std::optional<AthleteFields> found = m_book->findAnywhere(code);
    if (found)
        m_codeEntry->setText(code);
    else
        m_state.dialogs.message(QStringLiteral("Atleta non trovato in archivio"));
    const AthleteFields values = found.value_or(AthleteFields{});
    fillAthlete(values.code, values.name, values.sex, values.year);
    (void)assignCategory(true);
}

void RegistrationWindow::lookupByName() {
    const std::optional<AthleteFields> found = m_book->findByName(m_nameList->currentText());
    if (!found)
        m_state.dialogs.message(QStringLiteral("Atleta non trovato in archivio"));
    const AthleteFields values = found.value_or(AthleteFields{});
    fillAthlete(values.code, values.name, values.sex, values.year);
    (void)assignCategory(true);
}

bool RegistrationWindow::setAthlete(bool gridFresh) {
    Dialogs& dialogs = m_state.dialogs;
    const QString code = m_code->text().toUpper();
    const QString name = m_name->text().toUpper();
    const QString sex = m_sex->currentText();
    const QString year = m_year->text();
    const QString category = m_category->currentText();
    const std::pair<const QString*, const char*> required[] = {{&code, "Devi indicare un codice per l'atleta"},
                                                               {&name, "Devi indicare il nome dell'atleta"},
                                                               {&sex, "Manca il sesso"},
                                                               {&year, "Manca l'anno"},
                                                               {&category, "Manca la categoria"}};
    for (const auto& [value, refusal] : required) {
        if (value->isEmpty()) {
            dialogs.message(QString::fromUtf8(refusal));
            return false;
        }
    }

    if (const std::optional<AthleteFields> holder = m_book->holderOfCode(code); holder && holder->name != name) {
        if (dialogs.askYesNo(QStringLiteral("Questo codice ") + code + QStringLiteral(" e' stato gia' assegnato a ") +
                                 holder->name + QLatin1Char('-') + holder->club +
                                 QStringLiteral(". Vuoi riprovare a definire "),
                             Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
            return false;
        if (dialogs.askYesNo(QStringLiteral("Vuoi sovrascrivere questo codice e cancellare le iscrizioni "
                                            "eventualmente gia' presenti ?"),
                             Dialogs::Answer::No) != Dialogs::Answer::Yes)
            return false;
        m_book->removeAthlete(code);
        gridFresh = false; // its registrations are gone
    }

    const std::optional<AthleteFields> namesake = m_book->namesake(name);
    if (namesake && namesake->code.toUpper() != code) {
        if (dialogs.askYesNo(QStringLiteral("Esiste un omonimo ") + name + QStringLiteral(" con codice ") +
                                 namesake->code + QStringLiteral(" mentre tu hai indicato ") + code +
                                 QStringLiteral(" Vuoi riprovare a definire "),
                             Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
            return false;
        if (dialogs.askYesNo(QStringLiteral("Vuoi mantenere entrambe i codici o cancellare l'altro?"),
                             Dialogs::Answer::Yes) == Dialogs::Answer::No) {
            m_book->removeAthlete(namesake->code);
            return false;
        }
    }

    if (const Status written = m_book->writeAthlete({code, name, sex, year, {}}, namesake.has_value()); !written) {
        dialogs.message(QStringLiteral("Impossibile registrare l'atleta ") + name + QStringLiteral(": ") +
                            written.description,
                        Dialogs::Icon::Critical);
        return false;
    }

    reopen(gridFresh);
    m_codeEntry->setText(code);
    listRaces(code, category, sex);
    m_register->setEnabled(true);
    return true;
}

void RegistrationWindow::chooseRace(int line) {
    QListWidgetItem* item = m_races->item(line);
    if (!item || item->text().startsWith(QLatin1Char('-')))
        return;
    const QString race = raceOfLine(item->text());
    m_selectedRace->setText(race);
    if (m_code->text().isEmpty()) {
        m_state.dialogs.message(QStringLiteral("Devi specificare il codice atleta"));
        return;
    }
    const std::optional<EntryTime> time = m_book->timeFor(m_code->text(), race);
    m_time->setText(time ? shownEntryTime(*time) : QString());
}

void RegistrationWindow::registerAthlete() {
    Dialogs& dialogs = m_state.dialogs;
    // An athlete the archive refused is not registered: its row would lack what was refused.
    // The grid is refreshed below, after the write.
    if (!setAthlete(true))
        return;
    if (m_nprgSupp->rowCount() > 0)
        setWindowTitle(QString::number(m_nprgSupp->rowCount()) + QLatin1Char(':') + m_state.competition().name);
    RegistrationEntry entry;
    entry.name = m_name->text().toUpper();
    entry.code = m_codeEntry->text();
    if (entry.code.isEmpty())
        return;
    entry.sex = m_sex->currentText();
    entry.year = m_year->text();
    entry.category = m_category->currentText();
    const int held = m_book->athleteRegistrationCount(entry.code);
    entry.race = m_selectedRace->text();
    const QString typed = m_time->text();
    if (const std::optional<QString> refusal = entryTimeRefusal(typed)) {
        dialogs.message(*refusal, Dialogs::Icon::Information);
        return;
    }
    entry.time = parseEntryTime(typed);
    if (secondsTooLarge(entry.time)) {
        dialogs.message(secondsTooLargeMessage(), Dialogs::Icon::Information);
        return;
    }
    const QStringList races = held > 0 ? m_book->athleteRaces() : QStringList();
    if (const std::optional<QString> refusal =
            athleteLimitRefusal(races, entry.race, m_state.competition().maxEntriesPerAthlete)) {
        dialogs.message(*refusal);
        return;
    }
    if (entry.race.isEmpty()) {
        dialogs.message(QStringLiteral("Devi specificare uno stile"));
        return;
    }
    if (const Status written = m_book->writeRegistration(entry); !written) {
        dialogs.message(QStringLiteral("Iscrizione non registrata: ") + written.description, Dialogs::Icon::Critical);
        return;
    }
    if (entry.time.worthRemembering())
        (void)m_book->rememberTime(entry.code, entry.name, entry.race, entry.time);

    const int count = m_book->showClubRegistrations();
    m_state.changeCompetition([&](Competition& c) { c.registrationCount = QString::number(count); });
    m_status->setText(QStringLiteral("Ultima iscrizione: ") + entry.name + QLatin1Char(' ') + entry.race +
                      QLatin1Char(' ') + typed + QStringLiteral(" ----> ") +
                      registeredEntryTime(entry.time, QLocale().decimalPoint().at(0)));
    m_time->setText(registeredEntryTime(entry.time).replace(QLatin1Char(','), QLatin1Char('.')));
    (void)setAthlete(true);
    setWindowTitle(clubCaption(count));
    for (int line = 0; line < m_races->count(); ++line) {
        if (m_races->item(line)->text().contains(entry.race)) {
            m_filling = true;
            m_races->setCurrentRow(line);
            m_filling = false;
            chooseRace(line);
            break;
        }
    }
    m_code->setFocus();
}

void RegistrationWindow::newAthlete() {
    if (!m_state.windows)
        return;
    if (AthleteArchive* archive = m_state.windows->athleteArchive())
        archive->openForNewAthlete();
}

void RegistrationWindow::clearAthlete() {
    fillAthlete({}, {}, {}, {});
    m_category->setEditText({});
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
    if (QAction* caption = gridAction("atleta"))
        caption->setText(cell(1) + QLatin1Char('_') + cell(6));
}

namespace {
// The name and the race of the row the menu was prepared for.
std::pair<QString, QString> rowOfCaption(const QString& caption) {
    const qsizetype cut = caption.indexOf(QLatin1Char('_'));
    if (cut < 0)
        return {caption, {}};
    return {caption.left(cut), caption.mid(cut + 1)};
}
} // namespace

void RegistrationWindow::changeRegistration() {
    QAction* caption = gridAction("atleta");
    if (!caption)
        return;
    const auto [name, race] = rowOfCaption(caption->text());
    const QString code = m_book->codeOfRegistration(name, race);
    if (code.isEmpty())
        return;
    m_codeEntry->setText(code);
    lookupByCode();
    for (int line = 0; line < m_races->count(); ++line) {
        if (raceOfLine(m_races->item(line)->text()) == race) {
            m_filling = true;
            m_races->setCurrentRow(line);
            m_filling = false;
            chooseRace(line);
            break;
        }
    }
}

void RegistrationWindow::deleteRegistration() {
    QAction* caption = gridAction("atleta");
    if (!caption)
        return;
    if (m_state.dialogs.askYesNo(QStringLiteral("Sei sicuro di voler cancellare i records selezionati: ") +
                                     caption->text(),
                                 Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return;
    const auto [name, race] = rowOfCaption(caption->text());
    const int count = m_book->removeRegistrations(name, race);
    m_state.changeCompetition([&](Competition& c) { c.registrationCount = QString::number(count); });
    setWindowTitle(QStringLiteral("Iscrizioni ") + m_state.competition().name + QLatin1Char(':') +
                   QString::number(count));
    (void)setAthlete(true);
}

bool RegistrationWindow::validateSex() {
    const QString sex = m_sex->currentText().toUpper();
    m_sex->setEditText(sex);
    if (!QStringLiteral("MFB").contains(sex)) {
        m_state.dialogs.message(QStringLiteral("Specificare M, F o B"));
        return false;
    }
    return true;
}

void RegistrationWindow::leaveYearOrSex() {
    const double year = numericValue(m_year->text());
    if (year < 100)
        m_year->setText(QString::number(qlonglong(year) + 1900));
    if (m_sex->currentText().isEmpty())
        return;
    const CategoryMatch match =
        cercaCategoria(m_state.competition().categoriesText, m_sex->currentText(), m_year->text());
    if (match.category.isEmpty() && m_state.dialogs.askYesNo(noCategoryQuestion(m_sex->currentText(), m_year->text()),
                                                             Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
        showCategoryList();
    m_category->clear();
    m_category->addItems(categoryItems(match.list));
    m_category->setEditText(match.category);
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
            if (m_year->text().isEmpty())
                m_state.dialogs.message(QStringLiteral("Devi definire l'anno"));
            else
                leaveYearOrSex();
        } else if (watched == m_sex) {
            if (!validateSex())
                QMetaObject::invokeMethod(m_sex, qOverload<>(&QWidget::setFocus), Qt::QueuedConnection);
            else if (!m_year->text().isEmpty())
                leaveYearOrSex();
        }
        m_checkingFocus = false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace onda
