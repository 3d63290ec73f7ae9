#pragma once

#include "store/FieldInfo.h"
#include "store/Status.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace onda {

// A window-owned set of rows over a table name or a query text, with a cursor; its
// name is its Qt object name. Rows are a snapshot taken at refresh() (see loadedRowCount()); writes go to the
// database at once and are reflected in the snapshot. Rows of a single-table source can
// be edited, added and deleted; other sources are read-only.
//
// Signals, in the order a Qt model follows them:
// - refresh(): aboutToRefresh() before the set is dropped, refreshed() once the new set
//   (or the empty set of a failure) is in place; fields may differ between the two.
// - a row added: rowsAboutToBeInserted(n, n) / rowsInserted(n, n), always at the end.
// - a row deleted (by remove(), or found gone or changed when writing to it, see update()):
//   rowsAboutToBeRemoved(r, r) / rowsRemoved(r, r). The row leaves the snapshot at once, so
//   rowCount() drops by one and every later row moves up; only the cursor keeps a "deleted
//   row" state: position() is -1, field() and a second remove() give err::RecordDeleted,
//   moveNext() goes to the row that followed (now at index r) and movePrevious() to the row
//   before it (r - 1).
// - a row rewritten: rowDataChanged(r).
// - the cursor moved: currentRowChanged(position()).
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(const QString& name = {}, QObject* parent = nullptr);
    ~DataSource() override;

    QString name() const { return objectName(); }

    // Take effect at the next refresh().
    void setDatabaseFile(const QString& path);
    const QString& databaseFile() const;
    void setRecordSource(const QString& source);
    const QString& recordSource() const;
    // Only these fields of the record source are read (all when empty), and the set is then
    // read-only: a list that shows one column of a wide source.
    void setFieldsRead(const QStringList& fields);

    // Runs the record source again; the cursor stands on the first row (or EOF when empty).
    // A missing table gives err::TableNotFound and leaves the set empty.
    Status refresh();
    bool isOpen() const; // true after a successful refresh
    // As refresh(), taking the rows of `other` when it is open on the same file and record
    // source (its cursor and pending edit stay its own); otherwise a refresh().
    Status refreshFrom(const DataSource& other);

    bool eof() const;
    bool bof() const;
    Status moveFirst();
    Status moveNext();
    Status movePrevious();
    Status moveLast();
    int rowCount() const; // rows of the set
    int position() const; // index of the current row; -1 when none
    Status setPosition(int row);

    // Criteria are SQL conditions in the program's dialect ("codatl=" + code, "[numero prova]=" + N).
    Status findFirst(const QString& criterion);
    Status findNext(const QString& criterion);
    bool noMatch() const;

    // Field of the current row; names compare without regard to case.
    // Missing field: err::FieldNotFound; no current row: err::NoCurrentRecord.
    QVariant field(const QString& fieldName, Status* status = nullptr) const;
    Status setField(const QString& fieldName, const QVariant& value);

    // Adding: the new row goes to the end of the set; the cursor stays where it was
    // (at the end it stays at the end), except on an empty set, where the row becomes current.
    Status addNew();
    Status edit();
    // Writes the pending row. Writing to, or deleting, a row that another source, a statement
    // or another program deleted or changed meanwhile fails with err::RecordDeleted and drops
    // the row: the write reaches the table only while the row's stored fields still hold what
    // the set read (the pending edit aside), so a row id the table gave to a new row is never
    // written through. An added row is not checked.
    Status update();
    void cancelUpdate();
    Status remove();
    bool isEditing() const;
    // The current row read again from the table, as after a write to it: rowDataChanged(),
    // or a row gone meanwhile leaves the set with err::RecordDeleted.
    Status reloadCurrentRow();
    // The current row goes to index `to` of the set (rows between shift by one) and the cursor
    // follows it: where a new reading of an ordered source would put a row whose key changed.
    Status moveCurrentRow(int to);

    QList<FieldInfo> fields() const;
    int fieldIndex(const QString& fieldName) const; // -1 when missing
    // Declared length of a text field (0 when unknown or not text).
    int fieldSize(const QString& fieldName) const;

    // Direct access for grids and lists.
    QVariant value(int row, int column) const;
    // A source whose columns all come as they are from one table counts its rows at refresh()
    // and reads their fields a page at a time as value() or the cursor reach them.
    int loadedRowCount() const;
    // Reads the fields of the next `count` rows not read yet.
    Status fetchMore(int count);

    Status lastError() const;
    // Moves on with every write to the file: this program's, made through the connection its
    // sources share, and any other connection's commit. Empty while the source is not connected.
    QString fileChangeMark() const;

signals:
    void aboutToRefresh();
    void refreshed();
    void currentRowChanged(int row);
    void rowDataChanged(int row);
    void rowAboutToMove(int from, int to);
    void rowMoved(int from, int to);
    void rowsAboutToBeInserted(int first, int last);
    void rowsInserted(int first, int last);
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved(int first, int last);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Points each source at the database and refreshes it; failures are ignored.
void bindToDatabase(const QList<DataSource*>& sources, const QString& databasePath);

} // namespace onda
