#include "entry/ListWindow.h"

#include "core/AppState.h"
#include "store/DataSource.h"
#include "store/Values.h"
#include "ui/Unload.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace onda {

namespace {

// Read-only view of a data source's rows, field names as headers.
class SourceModel : public QAbstractTableModel {
public:
    explicit SourceModel(DataSource& source, QObject* parent) : QAbstractTableModel(parent), m_source(source)
    {
        connect(&source, &DataSource::refreshed, this, [this] {
            beginResetModel();
            endResetModel();
        });
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_source.isOpen() ? 0 : m_source.rowCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_source.isOpen() ? 0 : int(m_source.fields().size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || role != Qt::DisplayRole)
            return {};
        return displayText(m_source.value(index.row(), index.column()));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_source.fields().size())
            return m_source.fields().at(section).name;
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    DataSource& m_source;
};

} // namespace

ListWindow::ListWindow(AppState& state, const QString& objectName, const QString& caption, QWidget* parent)
    : QWidget(parent), m_state(state), m_source(new DataSource(objectName, this))
{
    setObjectName(objectName);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setAccessibleName(caption);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setTabKeyNavigation(false);
    m_model = new SourceModel(*m_source, this);
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
    connect(&m_state, &AppState::competitionChanged, this, [this] {
        if (m_source->recordSource() != query(m_state.currentCompetition()))
            load();
    });
}

ListWindow::~ListWindow() = default;

QList<DataSource*> ListWindow::dataSources() const
{
    return {m_source};
}

QSize ListWindow::preferredSize() const
{
    return {520, 360};
}

void ListWindow::load()
{
    m_source->setDatabaseFile(m_state.databasePath);
    m_source->setRecordSource(query(m_state.currentCompetition()));
    (void)m_source->refresh();
    m_grid->resizeColumnsToContents();
}

} // namespace onda
