#include "entry/NewestFirstModel.h"

namespace onda {

NewestFirstModel::NewestFirstModel(QObject* parent) : QAbstractProxyModel(parent) {}

void NewestFirstModel::setSourceModel(QAbstractItemModel* source) {
    beginResetModel();
    if (QAbstractItemModel* old = sourceModel())
        disconnect(old, nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(source);
    m_appended = 0;
    if (source) {
        connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
        connect(source, &QAbstractItemModel::modelReset, this, [this] {
            m_appended = 0;
            endResetModel();
        });
        connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    // Only rows added at the end are the newest; anything else is followed whole.
                    m_resetting = first != sourceRows();
                    if (m_resetting)
                        beginResetModel();
                    else
                        beginInsertRows({}, 0, last - first);
                });
        connect(source, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
            if (m_resetting) {
                m_resetting = false;
                m_appended = 0;
                endResetModel();
                return;
            }
            m_appended += last - first + 1;
            endInsertRows();
        });
        connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [this](const QModelIndex&, int first, int last) {
                    m_resetting = first != last;
                    if (m_resetting) {
                        beginResetModel();
                        return;
                    }
                    m_removing = proxyRow(first);
                    beginRemoveRows({}, m_removing, m_removing);
                });
        connect(source, &QAbstractItemModel::rowsRemoved, this, [this] {
            if (m_resetting) {
                m_resetting = false;
                m_appended = 0;
                endResetModel();
                return;
            }
            if (m_removing < m_appended)
                --m_appended;
            m_removing = -1;
            endRemoveRows();
        });
        connect(source, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
                        const int shown = proxyRow(row);
                        emit dataChanged(index(shown, topLeft.column()), index(shown, bottomRight.column()), roles);
                    }
                });
        connect(source, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
        connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] { beginResetModel(); });
        connect(source, &QAbstractItemModel::layoutChanged, this, [this] {
            m_appended = 0;
            endResetModel();
        });
    }
    endResetModel();
}

int NewestFirstModel::sourceRows() const {
    return sourceModel() ? sourceModel()->rowCount() : 0;
}

int NewestFirstModel::proxyRow(int sourceRow) const {
    const int read = sourceRows() - m_appended;
    return sourceRow >= read ? sourceRows() - 1 - sourceRow : sourceRow + m_appended;
}

int NewestFirstModel::sourceRow(int proxyRow) const {
    return proxyRow < m_appended ? sourceRows() - 1 - proxyRow : proxyRow - m_appended;
}

QModelIndex NewestFirstModel::mapToSource(const QModelIndex& proxyIndex) const {
    if (!proxyIndex.isValid() || !sourceModel())
        return {};
    return sourceModel()->index(sourceRow(proxyIndex.row()), proxyIndex.column());
}

QModelIndex NewestFirstModel::mapFromSource(const QModelIndex& sourceIndex) const {
    if (!sourceIndex.isValid())
        return {};
    return index(proxyRow(sourceIndex.row()), sourceIndex.column());
}

QModelIndex NewestFirstModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex NewestFirstModel::parent(const QModelIndex&) const {
    return {};
}

int NewestFirstModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : sourceRows();
}

int NewestFirstModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !sourceModel() ? 0 : sourceModel()->columnCount();
}

} // namespace onda
