#include "store/DataSourceModel.h"

#include "store/DataSource.h"
#include "store/Values.h"

namespace onda {

DataSourceModel::DataSourceModel(QObject* parent) : QAbstractTableModel(parent) {}

DataSourceModel::DataSourceModel(DataSource* source, QObject* parent) : QAbstractTableModel(parent) {
    setSource(source);
}

void DataSourceModel::setSource(DataSource* source) {
    beginResetModel();
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &DataSource::aboutToRefresh, this, [this] {
            m_resetting = true;
            beginResetModel();
        });
        connect(m_source, &DataSource::refreshed, this, [this] {
            remap();
            m_resetting = false;
            endResetModel();
        });
        connect(m_source, &DataSource::rowsAboutToBeInserted, this,
                [this](int first, int last) { beginInsertRows({}, first, last); });
        connect(m_source, &DataSource::rowsInserted, this, [this] { endInsertRows(); });
        connect(m_source, &DataSource::rowsAboutToBeRemoved, this,
                [this](int first, int last) { beginRemoveRows({}, first, last); });
        connect(m_source, &DataSource::rowsRemoved, this, [this] { endRemoveRows(); });
        // Qt names the row before which the moved one lands.
        connect(m_source, &DataSource::rowAboutToMove, this,
                [this](int from, int to) { beginMoveRows({}, from, from, {}, to > from ? to + 1 : to); });
        connect(m_source, &DataSource::rowMoved, this, [this] { endMoveRows(); });
        connect(m_source, &DataSource::rowDataChanged, this, [this](int row) {
            if (!m_columns.isEmpty())
                emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
        });
        connect(m_source, &QObject::destroyed, this, [this] {
            beginResetModel();
            m_columns.clear();
            m_names.clear();
            endResetModel();
        });
    }
    remap();
    endResetModel();
}

void DataSourceModel::setColumns(const QStringList& fieldNames) {
    beginResetModel();
    m_wanted = fieldNames;
    remap();
    endResetModel();
}

void DataSourceModel::setHeaderCaption(int column, const QString& caption) {
    m_captions.insert(column, caption);
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void DataSourceModel::remap() {
    m_names.clear();
    m_columns.clear();
    if (!m_source)
        return;
    if (m_wanted.isEmpty()) {
        for (const FieldInfo& f : m_source->fields())
            m_names << f.name;
    } else {
        m_names = m_wanted;
    }
    for (const QString& name : std::as_const(m_names))
        m_columns << m_source->fieldIndex(name);
}

int DataSourceModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_source || m_resetting)
        return 0;
    return m_source->rowCount();
}

int DataSourceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

int DataSourceModel::fieldColumn(int column) const {
    return column >= 0 && column < m_columns.size() ? m_columns[column] : -1;
}

QVariant DataSourceModel::data(const QModelIndex& index, int role) const {
    // Views ask about "no current item" routinely: an invalid index has no data, quietly.
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount() || !m_source)
        return {};
    const int field = fieldColumn(index.column());
    if (field < 0)
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    const QVariant value = m_source->value(index.row(), field);
    switch (role) {
    case Qt::DisplayRole:
        return displayText(value);
    case Qt::EditRole:
        return value;
    default:
        return {};
    }
}

bool DataSourceModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_source && m_source->loadedRowCount() < m_source->rowCount();
}

void DataSourceModel::fetchMore(const QModelIndex& parent) {
    constexpr int kPage = 256;
    // A row that cannot be read shows empty; the source's next write to it tells the user.
    if (canFetchMore(parent))
        (void)m_source->fetchMore(kPage);
}

QVariant DataSourceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= m_names.size())
        return {};
    return m_captions.value(section, m_names[section]);
}

} // namespace onda
