#include "entry/ListWindow.h"

#include "core/AppState.h"
#include "store/DataSource.h"
#include "store/DataSourceModel.h"
#include "ui/Unload.h"

#include "ui/GridKeys.h"
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace onda {

ListWindow::ListWindow(AppState& state, const QString& objectName, const QString& caption, QWidget* parent)
    : QWidget(parent), m_state(state), m_source(new DataSource(objectName, this)) {
    setObjectName(objectName);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblNota"));
    m_note->setWordWrap(true);
    m_note->hide();
    layout->addWidget(m_note);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setAccessibleName(caption);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    useGridKeys(m_grid);
    m_model = new DataSourceModel(m_source, this);
    m_grid->setModel(m_model);
    layout->addWidget(m_grid, 1);

    auto* buttons = new QHBoxLayout;
    auto* close = new QPushButton(QStringLiteral("Chiudi"), this);
    close->setObjectName(QStringLiteral("cmdChiudi"));
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, [this] { unloadChild(this); });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, close, &QPushButton::click);
    // The lists show the competition that is open now, also when another one is opened later.
    connect(&m_state.session, &CompetitionSession::changed, this, [this] {
        if (m_source->recordSource() != query(m_state.currentCompetition()))
            load();
    });
}

ListWindow::~ListWindow() = default;

QList<DataSource*> ListWindow::dataSources() const {
    return {m_source};
}

QSize ListWindow::preferredSize() const {
    return {520, 360};
}

void ListWindow::load() {
    m_source->setDatabaseFile(m_state.databasePath);
    m_source->setRecordSource(query(m_state.currentCompetition()));
    // A read-only list that cannot be read shows no rows: there is nothing in it to act on,
    // and the command that opened it has already checked that a competition is open.
    (void)m_source->refresh();
    m_grid->resizeColumnsToContents();
    const QString said = note(m_state.currentCompetition());
    m_note->setText(said);
    m_note->setVisible(!said.isEmpty());
}

const QString& ListWindow::databasePath() const {
    return m_state.databasePath;
}

QString ListWindow::note(const QString&) const {
    return {};
}

} // namespace onda
