#include "athletes/ArchiveWindow.h"

#include "core/AppState.h"
#include "core/Categories.h"
#include "core/CompetitionChosen.h"
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "store/DataSource.h"
#include "store/DataSourceModel.h"
#include "store/SqlFunctions.h"
#include "store/Values.h"

#include "ui/AccessibleNames.h"
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace onda {

namespace {

const QString kTeamSex = QStringLiteral("B (Staffette Miste)");

QComboBox* editableCombo(const QString& name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // Typed text must stay as typed: no completion from the list.
    combo->setCompleter(nullptr);
    // Sized by a number of characters: measuring thousands of entries would slow the opening.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(12);
    return combo;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent, const QString& accessible = {}) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    if (!accessible.isEmpty()) {
        b->setAccessibleName(accessible);
        b->setToolTip(accessible);
    }
    return b;
}

} // namespace

ArchiveWindow::ArchiveWindow(AppState& state, WindowHost* host, QWidget* parent)
    : QWidget(parent), m_state(state), m_host(host), m_data3(new DataSource(QStringLiteral("Data3"), this)),
      m_clubs(new DataSource(QStringLiteral("Data2"), this)),
      m_categories(new DataSource(QStringLiteral("Data4"), this)), m_clubModel(new DataSourceModel(m_clubs, this)),
      m_categoryModel(new DataSourceModel(m_categories, this)), m_flow(state, state.dialogs, *this, host) {
    setObjectName(QStringLiteral("frmanag"));
    setWindowTitle(QStringLiteral("Iscrizione Archivio Atleti"));
    // The views get their record source from the opener: nothing is read before then.
    m_clubModel->setColumns({QStringLiteral("soc")});
    m_categoryModel->setColumns({QStringLiteral("Categoria")});
    buildControls();

    connect(m_data3, &DataSource::currentRowChanged, this, &ArchiveWindow::navigatorMoved);
    connect(m_data3, &DataSource::refreshed, this, &ArchiveWindow::navigatorMoved);
    // The record on show read again: the boxes show it as stored, as after a new reading.
    connect(m_data3, &DataSource::rowDataChanged, this, [this](int row) {
        if (row == m_data3->position()) {
            m_shownCode->clear();
            navigatorMoved();
        }
    });
}

ArchiveWindow::~ArchiveWindow() = default;

void ArchiveWindow::buildControls() {
    m_code = new QLineEdit(this);
    m_code->setObjectName(QStringLiteral("Text1"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("txtfields_1"));
    m_year = new QLineEdit(this);
    m_year->setObjectName(QStringLiteral("txtfields_2"));
    m_club = editableCombo(QStringLiteral("Combo1"), this);
    m_club->setModel(m_clubModel);
    m_sex = editableCombo(QStringLiteral("Combo2"), this);
    m_category = new QComboBox(this);
    m_category->setObjectName(QStringLiteral("Combo3"));
    m_category->setModel(m_categoryModel);
    m_category->setEnabled(false);
    m_newFlag = new QCheckBox(QStringLiteral("Nuovo"), this);
    m_newFlag->setObjectName(QStringLiteral("Check1"));

    auto* kind = new QGroupBox(this);
    kind->setObjectName(QStringLiteral("Frame1"));
    nameAfterCaption(kind, QStringLiteral("Tipo"));
    m_athlete = new QRadioButton(QStringLiteral("Atleta"), kind);
    m_athlete->setObjectName(QStringLiteral("Option1_0"));
    m_athlete->setChecked(true);
    m_team = new QRadioButton(QStringLiteral("Squadra per staffetta"), kind);
    m_team->setObjectName(QStringLiteral("Option1_1"));
    auto* kindLayout = new QHBoxLayout(kind);
    kindLayout->addWidget(m_athlete);
    kindLayout->addWidget(m_team);
    kindLayout->addStretch();

    // The navigator: four moves around the code of the record it stands on.
    auto* navigator = new QWidget(this);
    navigator->setObjectName(QStringLiteral("Data3"));
    navigator->setAccessibleName(QStringLiteral("Atleti"));
    auto* first = button(QStringLiteral("Data3_First"), QStringLiteral("|<"), navigator, QStringLiteral("Primo"));
    auto* previous =
        button(QStringLiteral("Data3_Previous"), QStringLiteral("<"), navigator, QStringLiteral("Precedente"));
    auto* next = button(QStringLiteral("Data3_Next"), QStringLiteral(">"), navigator, QStringLiteral("Successivo"));
    auto* last = button(QStringLiteral("Data3_Last"), QStringLiteral(">|"), navigator, QStringLiteral("Ultimo"));
    m_shownCode = new QLineEdit(navigator);
    m_shownCode->setObjectName(QStringLiteral("txtfields_0"));
    m_shownCode->setReadOnly(true);
    auto* navigatorCaption = captionLabel(QStringLiteral("Atleti"), m_shownCode, navigator);
    auto* navigatorLayout = new QHBoxLayout(navigator);
    navigatorLayout->setContentsMargins(0, 0, 0, 0);
    navigatorLayout->addWidget(first);
    navigatorLayout->addWidget(previous);
    navigatorLayout->addWidget(navigatorCaption);
    navigatorLayout->addWidget(m_shownCode, 1);
    navigatorLayout->addWidget(next);
    navigatorLayout->addWidget(last);
    for (QPushButton* move : {first, previous, next, last})
        move->setFixedWidth(move->fontMetrics().horizontalAdvance(QStringLiteral(">|")) + 24);
    const std::pair<QPushButton*, Move> moves[] = {
        {first, Move::First}, {previous, Move::Previous}, {next, Move::Next}, {last, Move::Last}};
    for (const auto& [move, step] : moves)
        connect(move, &QPushButton::clicked, this, [this, step] { moveNavigator(step); });

    m_add = button(QStringLiteral("cmdAdd"), QStringLiteral("&Nuovo"), this);
    m_update = button(QStringLiteral("cmdUpdate"), QStringLiteral("&Registra"), this);
    m_delete = button(QStringLiteral("cmdDelete"), QStringLiteral("&Elimina"), this);
    m_changeCode = button(QStringLiteral("Command6"), QStringLiteral("Modifica codice"), this);
    m_close = button(QStringLiteral("cmdClose"), QStringLiteral("&Chiudi"), this);
    m_cancel = button(QStringLiteral("Command1"), QStringLiteral("Cancel"), this);
    m_cancel->setShortcut(Qt::Key_Escape);
    // Runs the code lookup; out of sight, reached by code only.
    m_lookup = button(QStringLiteral("Command5"), QStringLiteral("Cerca"), this, QStringLiteral("Cerca codice"));
    m_lookup->setFocusPolicy(Qt::NoFocus);
    m_lookup->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(captionLabel(QStringLiteral("Codice"), m_code, this), 0, 0);
    grid->addWidget(m_code, 0, 1);
    grid->addWidget(m_newFlag, 0, 3);
    grid->addWidget(captionLabel(QStringLiteral("Nome"), m_name, this), 1, 0);
    grid->addWidget(m_name, 1, 1, 1, 3);
    grid->addWidget(captionLabel(QStringLiteral("Anno"), m_year, this), 2, 0);
    grid->addWidget(m_year, 2, 1);
    grid->addWidget(captionLabel(QStringLiteral("Sesso (M/F)"), m_sex, this), 2, 2);
    grid->addWidget(m_sex, 2, 3);
    grid->addWidget(captionLabel(QStringLiteral("Società"), m_club, this), 3, 0);
    grid->addWidget(m_club, 3, 1);
    grid->addWidget(captionLabel(QStringLiteral("Categoria"), m_category, this), 3, 2);
    grid->addWidget(m_category, 3, 3);
    grid->addWidget(kind, 4, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* commands = new QHBoxLayout;
    for (QPushButton* b : {m_add, m_update, m_delete, m_changeCode, m_close, m_cancel})
        commands->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(navigator);
    layout->addLayout(commands);
    layout->addStretch();

    // The boxes in the order they are filled; the new-record flag after them, where a blank
    // meant for the name cannot untick it.
    QWidget* order[] = {m_code,   m_name, m_year, m_sex, m_club,   m_category, m_athlete,    m_team,  m_newFlag, first,
                        previous, next,   last,   m_add, m_update, m_delete,   m_changeCode, m_close, m_cancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_code, &QLineEdit::returnPressed, this, &ArchiveWindow::lookupCode);
    connect(m_lookup, &QPushButton::clicked, this, &ArchiveWindow::lookupCode);
    // Every Enter and every leaving of the name box checks the name, changed or not.
    connect(m_name, &QLineEdit::returnPressed, this, &ArchiveWindow::nameEntered);
    m_name->installEventFilter(this);
    connect(m_year, &QLineEdit::editingFinished, this, &ArchiveWindow::yearLeft);
    // The keys and the focus of a real keyboard reach the box itself, which hands them to
    // its line edit past any filter there; both are watched.
    m_club->installEventFilter(this);
    m_club->lineEdit()->installEventFilter(this);
    connect(m_sex, &QComboBox::activated, this, &ArchiveWindow::sexChosen);
    connect(m_category, &QComboBox::activated, this, &ArchiveWindow::categoryChosen);
    connect(m_athlete, &QRadioButton::clicked, this, &ArchiveWindow::recordKindChosen);
    connect(m_team, &QRadioButton::clicked, this, &ArchiveWindow::recordKindChosen);
    connect(m_add, &QPushButton::clicked, this, &ArchiveWindow::newRecord);
    connect(m_update, &QPushButton::clicked, this, [this] { m_flow.save(boxes()); });
    connect(m_delete, &QPushButton::clicked, this, &ArchiveWindow::remove);
    connect(m_close, &QPushButton::clicked, this, &ArchiveWindow::closeWithHandBack);
    connect(m_cancel, &QPushButton::clicked, this, &ArchiveWindow::closeWindow);
    connect(m_changeCode, &QPushButton::clicked, this, &ArchiveWindow::changeCode);
    // The check box and the flow's flag are one: either may set it.
    connect(m_newFlag, &QCheckBox::toggled, this, [this](bool on) { m_flow.setNewRecord(on); });
}

void ArchiveWindow::showNewRecord(bool on) {
    m_newFlag->setChecked(on);
}

QList<DataSource*> ArchiveWindow::dataSources() const {
    return {m_data3};
}

QSize ArchiveWindow::preferredSize() const {
    return {560, 300};
}

void ArchiveWindow::load() {
    m_sex->addItems({QStringLiteral("M"), QStringLiteral("F"), kTeamSex});
    m_sex->setCurrentIndex(-1);
    m_sex->clearEditText();

    for (DataSource* source : {m_clubs, m_categories})
        source->setDatabaseFile(m_state.databasePath);
    m_clubs->setRecordSource(QStringLiteral("select * from natl"));
    // The list shows the clubs alone: the register's other fields would cost its size again.
    m_clubs->setFieldsRead({QStringLiteral("soc")});
    // Lists that cannot be read stay empty: the views' first refresh, which follows on the
    // same file, tells the user and keeps the window closed.
    (void)m_clubs->refresh();
    m_club->setCurrentIndex(-1);
    m_club->clearEditText();
    m_categories->setRecordSource(archive::categoriesSource(m_state.currentCompetition()));
    (void)m_categories->refresh(); // as the club list
    m_category->setCurrentIndex(-1);
}

bool ArchiveWindow::isNewRecord() const {
    return m_flow.isNewRecord();
}

void ArchiveWindow::openOnClubAthletes() {
    if (!m_flow.openOnClubAthletes())
        return;
    m_host->showChild(this);
    centreInArea();
}

void ArchiveWindow::openForNewAthlete() {
    const NewAthleteStart start = m_flow.openForNewAthlete();
    if (!start.opened)
        return;
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_code, m_name, m_year, m_club, m_sex, m_athlete, m_team, m_update})
        w->setEnabled(true);
    m_delete->setEnabled(false);
    m_add->setEnabled(start.typedCode);
    newRecord();
    if (!start.typedCode) {
        m_code->setEnabled(false);
        m_code->setText(start.code);
    }
    m_host->showChild(this);
    centreInArea();
    (start.typedCode ? m_code : m_name)->setFocus();
}

Status ArchiveWindow::showAthletes(const AthleteScope& scope) {
    m_data3->setRecordSource(scope.wholeRegister ? QStringLiteral("natl") : archive::clubAthletesSource(scope.club));
    return m_data3->refresh();
}

Status ArchiveWindow::showWritten(const WrittenAthlete& written) {
    using Change = WrittenAthlete::Change;
    if ((written.change == Change::InPlace || written.change == Change::Renamed) &&
        showChangedInNavigator(written.code, written.change == Change::Renamed))
        return {};
    return showInNavigator(written.code);
}

Status ArchiveWindow::showRemoved() {
    return m_data3->refresh();
}

Status ArchiveWindow::showInNavigator(const QString& code) {
    Status status = m_data3->refresh();
    if (status)
        status = m_data3->findFirst(archive::quotedCodeCriterion(code));
    return status;
}

bool ArchiveWindow::showChangedInNavigator(const QString& code, bool renamed) {
    DataSource& navigator = *m_data3;
    if (!navigator.findFirst(archive::quotedCodeCriterion(code)) || navigator.noMatch())
        return false;
    // A row that cannot be read again is read with the whole set, which tells its failure.
    if (!navigator.reloadCurrentRow().ok())
        return false;
    if (!renamed)
        return true;
    // The athletes are ordered by name: the row goes where a new reading would put it. A
    // namesake leaves the order of the two to SQLite, so the set is read again.
    const int column = navigator.fieldIndex(QStringLiteral("nome"));
    const QVariant name = navigator.field(QStringLiteral("nome"));
    if (column < 0 || name.isNull())
        return false;
    const QString key = name.toString();
    const int self = navigator.position();
    const auto nameAt = [&](int row) { return navigator.value(row < self ? row : row + 1, column); };
    int low = 0, high = navigator.rowCount() - 1; // the places among the other rows
    while (low < high) {
        const int middle = (low + high) / 2;
        const QVariant other = nameAt(middle);
        if (!other.isNull() && detail::compareNoCase(other.toString(), key) >= 0)
            high = middle;
        else
            low = middle + 1;
    }
    const auto namesake = [&](int row) {
        return row >= 0 && row < navigator.rowCount() - 1 && !nameAt(row).isNull() &&
               detail::compareNoCase(nameAt(row).toString(), key) == 0;
    };
    if (namesake(low) || namesake(low - 1))
        return false;
    return navigator.moveCurrentRow(low).ok();
}

void ArchiveWindow::moveNavigator(Move move) {
    DataSource& navigator = *m_data3;
    Status status;
    switch (move) {
    case Move::First:
        status = navigator.moveFirst();
        break;
    case Move::Previous:
        if (navigator.position() > 0)
            status = navigator.movePrevious();
        break;
    case Move::Next:
        if (navigator.position() + 1 < navigator.rowCount())
            status = navigator.moveNext();
        break;
    case Move::Last:
        status = navigator.moveLast();
        break;
    }
    // An empty register has nowhere to move to: nothing to tell.
    if (status.number != err::NoCurrentRecord)
        m_flow.reported(status);
}

void ArchiveWindow::centreInArea() {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    QMdiArea* area = sub ? sub->mdiArea() : nullptr;
    if (!area)
        return;
    const QRect room = area->viewport()->rect();
    sub->move(std::max(0, (room.width() - sub->width()) / 2), std::max(0, (room.height() - sub->height()) / 2));
}

AthleteRecord ArchiveWindow::boxes() const {
    return {m_code->text(),        m_name->text(),       m_year->text(),
            m_club->currentText(), m_sex->currentText(), m_team->isChecked()};
}

void ArchiveWindow::showRecord(const AthleteRecord& record) {
    m_name->setText(record.name);
    m_year->setText(record.year);
    m_club->setEditText(record.club);
    m_sex->setEditText(record.sex);
    (record.team ? m_team : m_athlete)->setChecked(true);
    recordKindChosen();
}

void ArchiveWindow::emptyBoxes() {
    m_name->clear();
    m_year->clear();
    m_club->setCurrentIndex(-1);
    m_club->clearEditText();
    m_sex->setCurrentIndex(-1);
    m_sex->clearEditText();
}

void ArchiveWindow::lookupCode() {
    const CodeLookup found = m_flow.lookup(m_code->text());
    switch (found.outcome) {
    case CodeLookup::Outcome::Found:
        showRecord(found.record);
        break;
    case CodeLookup::Outcome::NotRegistered:
        emptyBoxes();
        break;
    case CodeLookup::Outcome::Free:
        for (QWidget* w : std::initializer_list<QWidget*>{m_club, m_sex, m_category, m_update})
            w->setEnabled(true);
        break;
    case CodeLookup::Outcome::Taken:
    case CodeLookup::Outcome::Nothing:
        break;
    }
}

void ArchiveWindow::navigatorMoved() {
    const QString code = displayText(m_data3->field(QStringLiteral("codatl")));
    if (code == m_shownCode->text())
        return;
    m_shownCode->setText(code);
    if (code.isEmpty())
        return;
    if (usageMode() == archive::kProvisionalOnlyMode)
        m_delete->setEnabled(archive::deletionAllowed(archive::kProvisionalOnlyMode, code));
    m_code->setText(code);
    lookupCode();
}

void ArchiveWindow::newRecord() {
    m_code->clear();
    emptyBoxes();
    m_category->setCurrentIndex(-1);
    m_flow.newRecord();
}

void ArchiveWindow::remove() {
    if (m_flow.remove(m_code->text()) != Deletion::Deleted)
        return;
    m_code->clear();
    emptyBoxes();
    m_category->setCurrentIndex(-1);
    closeWindow();
}

void ArchiveWindow::closeWithHandBack() {
    std::optional<ArchiveBox> missing;
    if (m_flow.close(boxes(), &missing)) {
        closeWindow();
        return;
    }
    // A missing field keeps the window open; the cursor goes where the user must type.
    if (missing) {
        QWidget* const box[] = {m_name, m_year, m_club, m_sex};
        box[int(*missing)]->setFocus();
    }
}

void ArchiveWindow::closeWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

void ArchiveWindow::changeCode() {
    // Editing, the navigator shows the record under its new code; a new record only
    // takes the code into its box.
    const std::optional<QString> code = m_flow.changeCode(m_code->text());
    if (code && isNewRecord())
        m_code->setText(*code);
}

void ArchiveWindow::nameEntered() {
    const QString name = m_flow.enterName(m_name->text());
    if (name != m_name->text())
        m_name->setText(name);
}

void ArchiveWindow::yearLeft() {
    const QString year = archive::normalisedYear(m_year->text());
    if (year != m_year->text())
        m_year->setText(year);
}

void ArchiveWindow::clubEntered() {
    m_club->setEditText(m_flow.enterClub(m_club->currentText()));
}

void ArchiveWindow::clubLeft() {
    if (m_flow.leaveClub(m_club->currentText()))
        return;
    QTimer::singleShot(0, m_club, [club = QPointer<QComboBox>(m_club)] {
        if (club)
            club->setFocus();
    });
}

bool ArchiveWindow::eventFilter(QObject* watched, QEvent* event) {
    // Leaving for the list's own pop-up or another window (a question asked) is not leaving.
    const auto left = [event] {
        if (event->type() != QEvent::FocusOut)
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
    };
    if (watched == m_name && left())
        nameEntered();
    const bool clubBox = watched == m_club || watched == m_club->lineEdit();
    if (clubBox && event->type() == QEvent::KeyPress) {
        // Enter is taken here: the box would otherwise pass it on and see it twice.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            clubEntered();
            return true;
        }
    }
    if (clubBox && left())
        clubLeft();
    return QWidget::eventFilter(watched, event);
}

void ArchiveWindow::sexChosen() {
    // A selection in the category box acts only while the year box is enabled.
    m_year->setEnabled(false);
    const CategoryMatch match = cercaCategoria(m_state.competition().categories, m_sex->currentText(), m_year->text());
    for (int row = 0; row < m_category->count() && !match.category.isEmpty(); ++row) {
        if (m_category->itemText(row) == match.category)
            m_category->setCurrentIndex(row);
    }
    m_year->setEnabled(true);
}

void ArchiveWindow::categoryChosen() {
    // A category chosen by hand stands for the years: the year box no longer applies.
    if (m_year->isEnabled())
        m_year->clear();
}

void ArchiveWindow::recordKindChosen() {
    m_category->setEnabled(m_team->isChecked());
}

void openAthleteArchive(AppState& state, WindowHost& windows) {
    if (!clubAndCompetitionChosen(state))
        return;
    if (AthleteArchive* archive = windows.athleteArchive())
        archive->openOnClubAthletes();
}

} // namespace onda
