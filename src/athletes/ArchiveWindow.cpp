#include "athletes/ArchiveWindow.h"

#include "athletes/AthleteCodes.h"
#include "core/AppState.h"
#include "core/Categories.h"
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "store/DataSource.h"
#include "store/DataSourceModel.h"
#include "store/Values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
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

const QString kWholeRegister = QStringLiteral("natl");
const QString kTeamSex = QStringLiteral("B (Staffette Miste)");

QLabel* labelFor(QWidget* box, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(box);
    box->setAccessibleName(caption);
    return label;
}

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

ArchiveWindow::ArchiveWindow(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_data1(new DataSource(QStringLiteral("Data1"), this)),
      m_data3(new DataSource(QStringLiteral("Data3"), this)), m_clubs(new DataSource(QStringLiteral("Data2"), this)),
      m_categories(new DataSource(QStringLiteral("Data4"), this)),
      m_register(new DataSource(QStringLiteral("natlCheck"), this)), m_clubModel(new DataSourceModel(m_clubs, this)),
      m_categoryModel(new DataSourceModel(m_categories, this)) {
    setObjectName(QStringLiteral("frmanag"));
    setWindowTitle(QStringLiteral("Iscrizione Archivio Atleti"));
    // The views get their record source from the opener: nothing is read before then.
    m_clubModel->setColumns({QStringLiteral("soc")});
    m_categoryModel->setColumns({QStringLiteral("Categoria")});
    buildControls();

    connect(m_data3, &DataSource::currentRowChanged, this, &ArchiveWindow::navigatorMoved);
    connect(m_data3, &DataSource::refreshed, this, &ArchiveWindow::navigatorMoved);
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
    kind->setAccessibleName(QStringLiteral("Tipo"));
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
    auto* navigatorCaption = labelFor(m_shownCode, QStringLiteral("Atleti"), navigator);
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
    connect(first, &QPushButton::clicked, this, [this] { (void)m_data3->moveFirst(); });
    connect(previous, &QPushButton::clicked, this, [this] {
        if (m_data3->position() > 0)
            (void)m_data3->movePrevious();
    });
    connect(next, &QPushButton::clicked, this, [this] {
        if (m_data3->position() + 1 < m_data3->rowCount())
            (void)m_data3->moveNext();
    });
    connect(last, &QPushButton::clicked, this, [this] { (void)m_data3->moveLast(); });

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
    grid->addWidget(labelFor(m_code, QStringLiteral("Codice"), this), 0, 0);
    grid->addWidget(m_code, 0, 1);
    grid->addWidget(m_newFlag, 0, 3);
    grid->addWidget(labelFor(m_name, QStringLiteral("Nome"), this), 1, 0);
    grid->addWidget(m_name, 1, 1, 1, 3);
    grid->addWidget(labelFor(m_year, QStringLiteral("Anno"), this), 2, 0);
    grid->addWidget(m_year, 2, 1);
    grid->addWidget(labelFor(m_sex, QStringLiteral("Sesso (M/F)"), this), 2, 2);
    grid->addWidget(m_sex, 2, 3);
    grid->addWidget(labelFor(m_club, QStringLiteral("Società"), this), 3, 0);
    grid->addWidget(m_club, 3, 1);
    grid->addWidget(labelFor(m_category, QStringLiteral("Categoria"), this), 3, 2);
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

    QWidget* order[] = {m_code,    m_newFlag, m_name,       m_year,   m_sex,   m_club, m_category,
                        m_athlete, m_team,    first,        previous, next,    last,   m_add,
                        m_update,  m_delete,  m_changeCode, m_close,  m_cancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_code, &QLineEdit::returnPressed, this, &ArchiveWindow::lookupCode);
    connect(m_lookup, &QPushButton::clicked, this, &ArchiveWindow::lookupCode);
    connect(m_name, &QLineEdit::editingFinished, this, &ArchiveWindow::nameEntered);
    connect(m_year, &QLineEdit::editingFinished, this, &ArchiveWindow::yearLeft);
    m_club->lineEdit()->installEventFilter(this);
    connect(m_sex, &QComboBox::activated, this, &ArchiveWindow::sexChosen);
    connect(m_category, &QComboBox::activated, this, &ArchiveWindow::categoryChosen);
    connect(m_athlete, &QRadioButton::clicked, this, &ArchiveWindow::recordKindChosen);
    connect(m_team, &QRadioButton::clicked, this, &ArchiveWindow::recordKindChosen);
    connect(m_add, &QPushButton::clicked, this, &ArchiveWindow::newRecord);
    connect(m_update, &QPushButton::clicked, this, [this] { (void)save(); });
    connect(m_delete, &QPushButton::clicked, this, &ArchiveWindow::remove);
    connect(m_close, &QPushButton::clicked, this, &ArchiveWindow::closeWithHandBack);
    connect(m_cancel, &QPushButton::clicked, this, &ArchiveWindow::closeWindow);
    connect(m_changeCode, &QPushButton::clicked, this, &ArchiveWindow::changeCode);
}

QList<DataSource*> ArchiveWindow::dataSources() const {
    return {m_data1, m_data3};
}

QSize ArchiveWindow::preferredSize() const {
    return {560, 300};
}

void ArchiveWindow::load() {
    m_sex->addItems({QStringLiteral("M"), QStringLiteral("F"), kTeamSex});
    m_sex->setCurrentIndex(-1);
    m_sex->clearEditText();

    for (DataSource* source : {m_clubs, m_categories, m_register})
        source->setDatabaseFile(m_state.databasePath);
    m_clubs->setRecordSource(QStringLiteral("select * from natl"));
    (void)m_clubs->refresh();
    m_club->setCurrentIndex(-1);
    m_club->clearEditText();
    m_categories->setRecordSource(archive::categoriesSource(m_state.currentCompetition()));
    (void)m_categories->refresh();
    m_category->setCurrentIndex(-1);
}

bool ArchiveWindow::isNewRecord() const {
    return m_newFlag->isChecked();
}

void ArchiveWindow::openOnClubAthletes() {
    const QString source = archive::clubAthletesSource(m_state.club);
    m_data1->setRecordSource(source);
    m_data3->setRecordSource(source);
    (void)m_data1->refresh();
    (void)m_data3->refresh();
    m_state.windows->showChild(this);
    centreInArea();
}

void ArchiveWindow::openForNewAthlete() {
    const int mode = usageMode();
    // A window opened afresh has no record source yet: its views then stay on the whole register.
    const QString saved = m_data1->recordSource().isEmpty() ? kWholeRegister : m_data1->recordSource();
    m_data1->setRecordSource(kWholeRegister);
    (void)m_data1->refresh();
    if (m_data3->recordSource().isEmpty()) {
        m_data3->setRecordSource(kWholeRegister);
        (void)m_data3->refresh();
    }

    for (QWidget* w :
         std::initializer_list<QWidget*>{m_code, m_name, m_year, m_club, m_sex, m_athlete, m_team, m_update})
        w->setEnabled(true);
    m_delete->setEnabled(false);
    m_add->setEnabled(false);

    if (mode == archive::kTypedCodeMode) {
        newRecord();
        m_add->setEnabled(true);
    } else {
        const qlonglong code = firstFreeProvisionalCode(*m_data1);
        newRecord();
        m_code->setEnabled(false);
        m_code->setText(QString::number(code));
    }

    if (saved != kWholeRegister) {
        m_data1->setRecordSource(saved);
        (void)m_data1->refresh();
    }
    m_state.windows->showChild(this);
    centreInArea();
    if (mode == archive::kTypedCodeMode)
        m_code->setFocus();
    else
        m_name->setFocus();
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

bool ArchiveWindow::findInRegister(const QString& criterion, std::optional<AthleteRecord>& found) {
    // One query for the rows that match: the whole register, whatever the views show.
    found.reset();
    m_register->setRecordSource(QStringLiteral("select * from natl where ") + criterion);
    if (const Status status = m_register->refresh(); !status) {
        // A check that could not be made must not pass for a check passed.
        m_state.dialogs.message(QStringLiteral("Impossibile leggere l'archivio atleti: ") + status.description,
                                Dialogs::Icon::Critical);
        return false;
    }
    if (m_register->rowCount() > 0)
        found = archive::readAthlete(*m_register);
    return true;
}

bool ArchiveWindow::clubListed(const QString& club) const {
    for (int row = 0; row < m_clubModel->rowCount(); ++row) {
        if (displayText(m_clubModel->data(m_clubModel->index(row, 0), Qt::EditRole)) == club)
            return true;
    }
    return false;
}

void ArchiveWindow::lookupCode() {
    const QString code = m_code->text();
    if (code.isEmpty())
        return;
    if (!isNewRecord()) {
        const Status found = m_data1->findFirst(archive::quotedCodeCriterion(code));
        if (found.ok() && !m_data1->noMatch()) {
            showRecord(archive::readAthlete(*m_data1));
        } else {
            m_state.dialogs.message(QStringLiteral("Codice ") + code + QStringLiteral(" non registrato"));
            emptyBoxes();
        }
        return;
    }
    std::optional<AthleteRecord> other;
    if (!findInRegister(archive::codeCriterion(code), other))
        return;
    if (other) {
        m_state.dialogs.message(QStringLiteral("Codice ") + code + QStringLiteral(" già registrato: ") + other->name +
                                QStringLiteral(" - ") + other->club);
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{m_club, m_sex, m_category, m_update})
        w->setEnabled(true);
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
    m_newFlag->setChecked(true);
}

bool ArchiveWindow::save() {
    AthleteRecord record = boxes();
    const std::optional<qlonglong> code = archive::wholeNumber(record.code);
    if (!code) {
        m_state.dialogs.message(QStringLiteral("Il codice dell'atleta deve essere un numero intero"),
                                Dialogs::Icon::Critical);
        return false;
    }
    record.code = QString::number(*code);
    QString error;
    if (isNewRecord()) {
        std::optional<AthleteRecord> found;
        if (!findInRegister(archive::codeCriterion(record.code), found))
            return false;
        if (found) {
            m_state.dialogs.message(QStringLiteral("Codice esistente. Non puoi sovrascriverlo"));
            return false;
        }
        std::optional<AthleteRecord> namesake;
        if (!findInRegister(archive::nameCriterion(record.name), namesake))
            return false;
        if (namesake) {
            const QString question = QStringLiteral("Esiste gia' un nome cosi': ") + namesake->name +
                                     QStringLiteral(" - ") + namesake->club + QStringLiteral(". Vuoi proseguire");
            if (m_state.dialogs.askYesNo(question, Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
                return false;
        }
        if (!m_data1->addNew() || !archive::writeAthlete(*m_data1, record, &error)) {
            m_state.dialogs.message(QStringLiteral("Impossibile registrare l'atleta: ") + error,
                                    Dialogs::Icon::Critical);
            return false;
        }
        (void)m_data1->findFirst(archive::quotedCodeCriterion(record.code));
    } else {
        const Status found = m_data1->findFirst(archive::quotedCodeCriterion(record.code));
        if (found.ok() && !m_data1->noMatch() &&
            (!m_data1->edit() || !archive::writeAthlete(*m_data1, record, &error))) {
            m_state.dialogs.message(QStringLiteral("Impossibile registrare l'atleta: ") + error,
                                    Dialogs::Icon::Critical);
            return false;
        }
    }
    m_newFlag->setChecked(false);
    (void)m_data3->refresh();
    (void)m_data3->findFirst(archive::quotedCodeCriterion(record.code));
    return true;
}

void ArchiveWindow::remove() {
    const QString code = m_code->text();
    const Status found = m_data1->findFirst(archive::quotedCodeCriterion(code));
    if (!found.ok() || m_data1->noMatch()) {
        m_state.dialogs.message(QStringLiteral("Codice non esistente"));
        return;
    }
    if (m_state.dialogs.askYesNo(QStringLiteral("Sei sicuro di voler cancellare questo atleta?"),
                                 Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return;
    Status status = m_data1->remove();
    if (status)
        status = m_data1->moveNext();
    // Deleting the last row leaves the view with no current record.
    if (status.number == err::NoCurrentRecord || (status.ok() && m_data1->eof())) {
        m_state.dialogs.message(QStringLiteral("Ultimo record"));
        (void)m_data1->moveLast();
        return;
    }
    (void)m_data3->refresh();
    m_code->clear();
    emptyBoxes();
    m_category->setCurrentIndex(-1);
    closeWindow();
}

void ArchiveWindow::closeWithHandBack() {
    // A missing field keeps the window open; the cursor goes where the user must type.
    for (QWidget* box : std::initializer_list<QWidget*>{m_name, m_year, m_club, m_sex}) {
        const auto* line = qobject_cast<QLineEdit*>(box);
        const QString text = line ? line->text() : static_cast<QComboBox*>(box)->currentText();
        if (text.isEmpty()) {
            box->setFocus();
            return;
        }
    }
    QWidget* registration = m_state.windows->child(Child::Registration);
    if (registration && registration->isVisible()) {
        const QString code = m_code->text();
        // A refused save hands nothing back: the code would name no athlete, or another one.
        if (isNewRecord() && !save())
            return;
        m_state.windows->bindDataSources();
        if (auto* codeBox = registration->findChild<QLineEdit*>(QStringLiteral("Text2"))) {
            codeBox->setText(code);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(codeBox, &enter);
        }
    }
    closeWindow();
}

void ArchiveWindow::closeWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

void ArchiveWindow::changeCode() {
    const QString oldCode = m_code->text();
    if (!archive::codeChangeAllowed(usageMode(), oldCode)) {
        m_state.dialogs.message(QStringLiteral("non puoi modificare codici inferiori a 500000 o superiori a 600000"));
        return;
    }
    const std::optional<QString> answer =
        m_state.dialogs.inputText(QStringLiteral("Nuovo codice al posto di ") + oldCode, kProgramTitle);
    if (!answer || answer->isEmpty())
        return;
    const std::optional<qlonglong> newCode = archive::wholeNumber(*answer);
    if (!newCode) {
        m_state.dialogs.message(QStringLiteral("Il nuovo codice deve essere un numero intero"),
                                Dialogs::Icon::Critical);
        return;
    }
    const QString newText = QString::number(*newCode);
    std::optional<AthleteRecord> other;
    if (!findInRegister(archive::codeCriterion(newText), other))
        return;
    if (other) {
        m_state.dialogs.message(QStringLiteral("Codice esistente (") + other->name +
                                QStringLiteral("). Non puoi sovrascriverlo"));
        return;
    }
    m_newFlag->setChecked(false);
    // Only the record whose code is on show may take the new code.
    if (displayText(m_data1->field(QStringLiteral("codatl"))) != oldCode) {
        const Status found = m_data1->findFirst(archive::quotedCodeCriterion(oldCode));
        if (!found.ok() || m_data1->noMatch()) {
            m_state.dialogs.message(QStringLiteral("Codice ") + oldCode + QStringLiteral(" non registrato"));
            return;
        }
    }
    Status status = m_data1->edit();
    if (status)
        status = m_data1->setField(QStringLiteral("codatl"), *newCode);
    if (status)
        status = m_data1->update();
    if (!status) {
        m_data1->cancelUpdate();
        m_state.dialogs.message(QStringLiteral("Impossibile cambiare il codice: ") + status.description,
                                Dialogs::Icon::Critical);
        return;
    }
    (void)m_data3->refresh();
    (void)m_data3->findFirst(archive::codeCriterion(newText));
    m_state.dialogs.message(QStringLiteral("Controlla che nel file non abbia usato il vecchio codice"));
}

void ArchiveWindow::nameEntered() {
    if (!isNewRecord())
        return;
    m_name->setText(m_name->text().toUpper());
    // Enter and then leaving the box warn once about the same name.
    if (m_name->text().isEmpty() || m_name->text() == m_warnedName)
        return;
    m_warnedName = m_name->text();
    std::optional<AthleteRecord> other;
    if (findInRegister(archive::doubleQuotedNameCriterion(m_name->text()), other) && other) {
        // Either answer leaves the entry as it is; the save asks again and stops on No.
        (void)m_state.dialogs.askYesNo(QStringLiteral("Attenzione esiste già:\r\nCodice=") + other->code +
                                           QLatin1Char('-') + other->name + QLatin1Char('-') + other->club +
                                           QStringLiteral("\r\nVuoi proseguire ?"),
                                       Dialogs::Answer::Yes, Dialogs::Icon::Critical);
    }
}

void ArchiveWindow::yearLeft() {
    const QString year = archive::normalisedYear(m_year->text());
    if (year != m_year->text())
        m_year->setText(year);
}

void ArchiveWindow::clubEntered() {
    const QString club = m_club->currentText().toUpper();
    m_club->setEditText(club);
    if (!clubListed(club))
        (void)m_state.dialogs.askOkCancel(QStringLiteral("Società inesistente. Seleziona dalla lista"),
                                          Dialogs::Answer::Ok, Dialogs::Icon::Critical);
}

void ArchiveWindow::clubLeft() {
    const QString club = m_club->currentText();
    if (club.isEmpty() || clubListed(club))
        return;
    m_state.dialogs.message(QStringLiteral("Società non esistente, inserirla"));
    QTimer::singleShot(0, m_club, [club = QPointer<QComboBox>(m_club)] {
        if (club)
            club->setFocus();
    });
}

bool ArchiveWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_club->lineEdit() && event->type() == QEvent::KeyPress) {
        // Enter is taken here: the box would otherwise pass it on and see it twice.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            clubEntered();
            return true;
        }
    }
    if (watched == m_club->lineEdit() && event->type() == QEvent::FocusOut) {
        // Leaving for the list's own pop-up or another window is not leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            clubLeft();
    }
    return QWidget::eventFilter(watched, event);
}

void ArchiveWindow::sexChosen() {
    // A selection in the category box acts only while the year box is enabled.
    m_year->setEnabled(false);
    const CategoryMatch match =
        cercaCategoria(m_state.competition().categoriesText, m_sex->currentText(), m_year->text());
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

void openAthleteArchive(AppState& state) {
    if (state.club.isEmpty()) {
        state.dialogs.message(QStringLiteral("Selezionare una manifestazione"));
        return;
    }
    if (state.currentCompetition().isEmpty()) {
        state.dialogs.message(QStringLiteral("Selezionare la prova prescelta"));
        return;
    }
    state.windows->hideChild(state.windows->child(Child::Registration));
    if (auto* archive = qobject_cast<ArchiveWindow*>(state.windows->child(Child::Archive)))
        archive->openOnClubAthletes();
}

} // namespace onda
