#pragma once

#include <QAbstractProxyModel>

namespace onda {

// The club's registrations grid over a source read newest first: rows the source appends
// after its last read are newer than all of them, so they are shown on top, the latest
// first. A registration added then costs one row, not a reading of the whole table.
class NewestFirstModel : public QAbstractProxyModel {
    Q_OBJECT
public:
    explicit NewestFirstModel(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;

private:
    int sourceRows() const;
    int proxyRow(int sourceRow) const;
    int sourceRow(int proxyRow) const;

    int m_appended = 0;       // source rows appended since its last reset, at its end
    int m_removing = -1;      // the proxy row of a source row being removed
    bool m_resetting = false; // a change the mapping cannot follow row by row
};

} // namespace onda
