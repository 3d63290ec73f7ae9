#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <QStringList>

namespace onda {

class DataSource;

// A data source's rows as a table for Qt views: one model per bound grid, so that rows are
// never copied into items. The display text is the program's (displayText); EditRole
// gives the stored value. Columns are the source's fields, or a chosen list of field
// names in a chosen order; headers are field names unless a caption is set. The model
// follows the source's refreshes, added, changed and deleted rows as they happen.
class DataSourceModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSourceModel(QObject* parent = nullptr);
    explicit DataSourceModel(DataSource* source, QObject* parent = nullptr);

    void setSource(DataSource* source);
    DataSource* source() const { return m_source; }

    // Field names shown, in order; empty: every field of the source. A name the source
    // lacks gives an empty column.
    void setColumns(const QStringList& fieldNames);
    void setHeaderCaption(int column, const QString& caption);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The count is known at once and rows are read as they are shown; these read the rest.
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The source's field index behind a column; -1 when none.
    int fieldColumn(int column) const;

private:
    void remap();

    QPointer<DataSource> m_source;
    QStringList m_wanted;
    QStringList m_names;  // shown names
    QList<int> m_columns; // field index per shown column
    QHash<int, QString> m_captions;
    bool m_resetting = false;
};

} // namespace onda
