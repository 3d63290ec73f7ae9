#include "app/WorkspaceWindow.h"

#include "service/ServiceAddress.h"

#include "app/ModeWindow.h"
#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/FlowResult.h"
#include "core/Twips.h"
#include "entry/CompetitionNote.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "store/Values.h"

#include "ui/AccessibleNames.h"
#include "ui/GridKeys.h"
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace onda {

QList<QStringList> competitionGridRows(const QString& databasePath) {
    // One statement on the shared connection: a data source would page through the rows and
    // convert each field on its own, which at start-up grows with the list.
    Database db;
    Database::Result list;
    QList<QStringList> rows;
    if (!db.openShared(databasePath) || !db.query(QStringLiteral("select * from manif order by data, username"), list))
        return rows;
    const auto index = [&list](const QString& name) {
        const auto found = std::find_if(list.fields.cbegin(), list.fields.cend(), [&name](const FieldInfo& f) {
            return f.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        return found == list.fields.cend() ? -1 : int(found - list.fields.cbegin());
    };
    const int columns[] = {index(QStringLiteral("Numero Prova")),
                           -1,
                           index(QStringLiteral("Nome Manifestazione")),
                           index(QStringLiteral("Località")),
                           index(QStringLiteral("Data")),
                           index(QStringLiteral("UserName"))};
    rows.reserve(list.rows.size());
    for (const QVariantList& stored : std::as_const(list.rows)) {
        QStringList row;
        for (const int column : columns)
            row << (column < 0 ? QString() : displayText(stored.value(column)));
        rows.append(row);
    }
    return rows;
}

namespace {

constexpr int kColumnTwips[] = {500, 200, 3000, 2000, 1000, 1200};

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, bool wrap = false) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(wrap);
    return label;
}

QLabel* makeValue(QWidget* parent, const QString& name, const QString& text, QLabel* buddyOf) {
    QLabel* value = makeLabel(parent, name, text);
    value->setFrameShape(QFrame::Panel);
    value->setFrameShadow(QFrame::Sunken);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    buddyOf->setBuddy(value);
    exposeValue(value, buddyOf->text());
    return value;
}

QLabel* stepMark(QWidget* parent, const QString& name, const QString& digit) {
    QLabel* mark = makeLabel(parent, name, digit);
    QFont font = mark->font();
    font.setPointSizeF(font.pointSizeF() * 2.0);
    font.setBold(true);
    mark->setFont(font);
    mark->setAlignment(Qt::AlignCenter);
    mark->setMinimumWidth(32);
    return mark;
}

// The competition list, whose number, date and user name columns fit their widest text.
// Qt measures every row's text in full for that, which grows with the list; texts of the same
// shape are as wide as each other, so one of each is measured: the same text once, and, where
// the font's digits are all as wide, numbers and dates of the same pattern of digits once.
class CompetitionGrid final : public QTableWidget {
public:
    using QTableWidget::QTableWidget;

    int sizeHintForColumn(int column) const override {
        ensurePolished();
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const bool sameDigits = digitsAlike(option.fontMetrics);
        QSet<QString> measured;
        int hint = 0;
        for (int row = 0; row < rowCount(); ++row) {
            const QTableWidgetItem* cell = item(row, column);
            if (isRowHidden(row) || !cell)
                continue;
            QString shape = cell->text();
            if (sameDigits)
                std::replace_if(
                    shape.begin(), shape.end(), [](QChar c) { return c.isDigit(); }, QLatin1Char('0'));
            if (measured.contains(shape))
                continue;
            measured.insert(shape);
            const QModelIndex index = indexFromItem(cell);
            hint = std::max(hint, itemDelegateForIndex(index)->sizeHint(option, index).width());
        }
        return showGrid() ? hint + 1 : hint;
    }

private:
    static bool digitsAlike(const QFontMetrics& metrics) {
        const int zero = metrics.horizontalAdvance(QLatin1Char('0'));
        for (char d = '1'; d <= '9'; ++d) {
            if (metrics.horizontalAdvance(QLatin1Char(d)) != zero)
                return false;
        }
        return true;
    }
};

} // namespace

WorkspaceWindow::WorkspaceWindow(AppState& state, WindowHost* host, QWidget* parent)
    : QWidget(parent), m_state(state), m_host(host), m_config(new DataSource(QStringLiteral("config"), this)),
      m_opening(state, host) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Scelta circuito e gara"));
    // The competitions, their registrations and categories are read by the opening's statements.
    m_config->setRecordSource(QStringLiteral("config"));

    auto* layout = new QGridLayout(this);
    QLabel* intro =
        makeLabel(this, QStringLiteral("Label1"), QStringLiteral("3 semplici step per aggiornare le tue iscrizioni"));
    QFont introFont = intro->font();
    introFont.setBold(true);
    introFont.setPointSizeF(introFont.pointSizeF() * 1.2);
    intro->setFont(introFont);
    layout->addWidget(intro, 0, 0, 1, 3);

    // Step 1: the competition list.
    layout->addWidget(stepMark(this, QStringLiteral("Label2_0"), QStringLiteral("1")), 1, 0, Qt::AlignTop);
    QLabel* listHint =
        makeLabel(this, QStringLiteral("S"),
                  QStringLiteral("Lista manifestazioni. Fai doppio click sulla manifestazione di "
                                 "interesse. Se la lista e' vuota aggiornala collegandoti on-line   >>>"),
                  true);
    listHint->setToolTip(QStringLiteral("Collegati con Ondaweb e prendi gli aggiornamenti delle manifestazioni e "
                                        "seleziona la manifestazione per la quale vuoi efferruare le iscrizioni. Devi "
                                        "essere collegato in Internet"));
    layout->addWidget(listHint, 1, 1);
    m_buttons.resize(5, nullptr);
    const auto makeButton = [this](int index, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QStringLiteral("Command1_%1").arg(index));
        m_buttons[index] = b;
        return b;
    };
    layout->addWidget(makeButton(0, QStringLiteral("Aggiorna lista da Ondaweb")), 1, 2, Qt::AlignTop);

    m_grid = new CompetitionGrid(0, 6, this);
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_grid->setAccessibleName(QStringLiteral("Lista manifestazioni"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("Num"), QStringLiteral("#"), QStringLiteral("Nome"),
                                       QStringLiteral("Luogo"), QStringLiteral("Data"), QStringLiteral("UserName")});
    for (int c = 0; c < 6; ++c) {
        m_grid->setColumnWidth(c, twipsToPixels(kColumnTwips[c]));
        m_grid->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    // The name gives way, so that every column, the user name last, is seen whole at the
    // window's size.
    m_grid->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_grid->horizontalHeader()->setSectionResizeMode(5, QHeaderView::ResizeToContents);
    listHint->setBuddy(m_grid);
    useGridKeys(m_grid);
    layout->addWidget(m_grid, 2, 1, 1, 2);

    // The open competition.
    auto* details = new QGridLayout;
    const auto addDetail = [this, details](int row, const QString& captionName, const QString& caption,
                                           const QString& valueName, const QString& initial) {
        QLabel* label = makeLabel(this, captionName, caption);
        details->addWidget(label, row, 0);
        QLabel* value = makeValue(this, valueName, initial, label);
        details->addWidget(value, row, 1);
        return value;
    };
    m_name = addDetail(0, QStringLiteral("Label6"), QStringLiteral("Manifest."), QStringLiteral("Label4_2"), {});
    m_place = addDetail(1, QStringLiteral("Label8_0"), QStringLiteral("Localita'"), QStringLiteral("Label4_1"), {});
    m_date = addDetail(2, QStringLiteral("Label8_1"), QStringLiteral("Data"), QStringLiteral("Label4_4"), {});
    m_soc = addDetail(3, QStringLiteral("Label5"), QStringLiteral("Soc."), QStringLiteral("soc"), QString());
    m_number = addDetail(4, QStringLiteral("Label3"), QStringLiteral("ID manif."), QStringLiteral("ManifID"), {});
    m_count = addDetail(5, QStringLiteral("Label7"), QStringLiteral("N iscrizioni"), QStringLiteral("niscrizioni"), {});
    details->setColumnStretch(1, 1);
    layout->addLayout(details, 3, 1, 1, 2);

    // Step 2: register and deposit.
    layout->addWidget(stepMark(this, QStringLiteral("Label2_3"), QStringLiteral("2")), 4, 0, Qt::AlignTop);
    layout->addWidget(makeButton(2, QStringLiteral("Iscrizioni")), 4, 1, Qt::AlignLeft);
    layout->addWidget(makeLabel(this, QStringLiteral("Label4_3"),
                                QStringLiteral("Una volta completate le iscrizioni deposita le iscrizioni sul sito "
                                               "Ondaweb. Devi essere collegato in Internet"),
                                true),
                      5, 1, 1, 2);
    layout->addWidget(makeButton(3, QStringLiteral("Deposita le tue iscrizioni su Ondaweb")), 6, 1, Qt::AlignLeft);

    // Step 3: check on the service.
    layout->addWidget(stepMark(this, QStringLiteral("Label2_1"), QStringLiteral("3")), 7, 0, Qt::AlignTop);
    layout->addWidget(makeLabel(this, QStringLiteral("Label4_0"),
                                QStringLiteral("Puoi controllare che sul sito Ondaweb le iscrizioni siano state "
                                               "correttamente acquisite"),
                                true),
                      7, 1, 1, 2);
    layout->addWidget(makeButton(4, QStringLiteral("Controlla le iscrizioni su Ondaweb")), 8, 1, Qt::AlignLeft);

    // Kept out of sight: the open competition's categories as one text.
    m_categories = makeLabel(this, QStringLiteral("CategorieGara"), QString());
    m_categories->hide();
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(2, 1);
    connect(&m_state.session, &CompetitionSession::changed, this, &WorkspaceWindow::showCompetition);
    connect(&m_state.session, &CompetitionSession::clubChanged, this, &WorkspaceWindow::setClubLabel);

    // A double click on a row, or Enter on it, presses "Iscrizioni".
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this] { pressButton(WorkspaceButton::Register); });
    m_grid->installEventFilter(this);
    connect(button(WorkspaceButton::Register), &QPushButton::clicked, this, &WorkspaceWindow::OpenCompetition);
    connect(button(WorkspaceButton::Check), &QPushButton::clicked, this, &WorkspaceWindow::checkRegistrations);
    // How each ended has been told to the user: the workspace goes on as it is.
    connect(button(WorkspaceButton::Deposit), &QPushButton::clicked, this, [this] {
        if (m_service)
            (void)m_service->uploadRegistrations();
    });
    connect(button(WorkspaceButton::RefreshList), &QPushButton::clicked, this, [this] {
        if (m_service)
            (void)m_service->refreshCompetitionList();
    });
}

void WorkspaceWindow::setServicePort(ServicePort* service) {
    m_service = service;
    m_opening.setServicePort(service);
}

bool WorkspaceWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            pressButton(WorkspaceButton::Register);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

WorkspaceWindow::~WorkspaceWindow() = default;

QSize WorkspaceWindow::preferredSize() const {
    return {twipsToPixels(8235), twipsToPixels(8355)};
}

QList<DataSource*> WorkspaceWindow::dataSources() const {
    return {m_config};
}

void WorkspaceWindow::load() {
    FillCompetitionGrid();
    setClubLabel(m_state.club);
    showCompetition();
}

void WorkspaceWindow::showCompetition() {
    const Competition& c = m_state.competition();
    // Until a competition's details are read, the name keeps its invitation.
    m_name->setText(c.name.isEmpty() ? QStringLiteral("Procedi con le iscrizioni") : c.name);
    if (c.number.isEmpty())
        return; // nothing opened yet: the other labels stay empty
    m_place->setText(c.place);
    m_date->setText(c.date);
    m_number->setText(c.number);
    m_count->setText(c.registrationCount);
    m_categories->setText(categoriesText(c.categories));
}

void WorkspaceWindow::FillCompetitionGrid() {
    const QList<QStringList> rows = competitionGridRows(m_state.databasePath);
    m_grid->setUpdatesEnabled(false);
    m_grid->clearContents();
    m_grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 6; ++c)
            m_grid->setItem(r, c, new QTableWidgetItem(rows.at(r).at(c)));
    }
    // Numbers and dates are never cut: those columns grow to their widest text.
    for (int c : {0, 4}) {
        m_grid->resizeColumnToContents(c);
        m_grid->setColumnWidth(c, std::max(twipsToPixels(kColumnTwips[c]), m_grid->columnWidth(c)));
    }
    m_grid->setUpdatesEnabled(true);
}

QPushButton* WorkspaceWindow::button(WorkspaceButton which) const {
    return m_buttons.at(static_cast<int>(which));
}

void WorkspaceWindow::pressButton(WorkspaceButton which) {
    button(which)->click();
}

void WorkspaceWindow::setClubLabel(const QString& club) {
    m_soc->setText(club);
}

void WorkspaceWindow::markListRefreshed() {
    if (auto* marker = findChild<QLabel*>(QStringLiteral("Label2_0")))
        marker->setStyleSheet(QStringLiteral("background-color: #808080;"));
}

QString WorkspaceWindow::cell(int row, int column) const {
    const QTableWidgetItem* item = m_grid->item(row, column);
    return item ? item->text() : QString();
}

ListedRow WorkspaceWindow::listedRow(int row) const {
    return {cell(row, 0), cell(row, 2), cell(row, 3), cell(row, 4), cell(row, 5)};
}

void WorkspaceWindow::OpenCompetition() {
    const QList<QTableWidgetSelectionRange> selected = m_grid->selectedRanges();
    const int row = selected.isEmpty() ? -1 : selected.first().topRow();
    // A row without a number would point the opening at the template table itself.
    if (row < 0 || cell(row, 0).trimmed().isEmpty()) {
        m_state.dialogs.message(QStringLiteral("Devi selezionare una manifestazione"));
        return;
    }
    startOpening(row);
    continueOpening(row, ModeWindow::ask(window(), onlineRefusal(cell(row, 0))));
}

void WorkspaceWindow::openCompetitionAt(int row, OpeningMode mode) {
    if (row < 0 || row >= m_grid->rowCount() || cell(row, 0).trimmed().isEmpty())
        return;
    startOpening(row);
    continueOpening(row, mode);
}

void WorkspaceWindow::startOpening(int row) {
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        if (QTableWidgetItem* mark = m_grid->item(r, 1))
            mark->setText(QString());
    }
    m_opening.choose(listedRow(row));
}

void WorkspaceWindow::continueOpening(int row, OpeningMode mode) {
    if (!m_opening.open(listedRow(row), mode))
        return;
    m_grid->selectRow(row);
    if (QTableWidgetItem* mark = m_grid->item(row, 1))
        mark->setText(QStringLiteral("*"));
}

void WorkspaceWindow::checkRegistrations() {
    const QString number = m_state.currentCompetition();
    if (number.isEmpty()) {
        m_state.dialogs.message(QStringLiteral("Devi prima selezionare una gara"));
        return;
    }
    if (m_host)
        m_host->openAddress(clubRegistrationsPage(m_state.baseAddress, number, m_soc->text()));
}

} // namespace onda
