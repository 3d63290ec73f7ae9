#pragma once

#include "store/FieldInfo.h"
#include "store/Status.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

namespace onda {

// A window-owned set of rows over a table name or a query text, with a cursor.
// Rows are a snapshot taken at refresh(); writes go to the database at once and
// are reflected in the snapshot. Rows of a single-table source can be edited,
// added and deleted; other sources are read-only.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(const QString& name = {}, QObject* parent = nullptr);
    ~DataSource() override;

    const QString& name() const;

    // Take effect at the next refresh().
    void setDatabaseFile(const QString& path);
    const QString& databaseFile() const;
    void setRecordSource(const QString& source);
    const QString& recordSource() const;

    // Runs the record source again; the cursor stands on the first row (or EOF when empty).
    // A missing table gives err::TableNotFound and leaves the set empty.
    Status refresh();
    bool isOpen() const; // true after a successful refresh

    bool eof() const;
    bool bof() const;
    Status moveFirst();
    Status moveNext();
    Status movePrevious();
    Status moveLast();
    int rowCount() const;      // rows of the set
    int position() const;      // index of the current row; -1 when none
    Status setPosition(int row);

    // Criteria are SQL conditions in the program's dialect ("codatl=" + code, "[numero prova]=" + N).
    Status findFirst(const QString& criterion);
    Status findNext(const QString& criterion);
    bool noMatch() const;

    // Field of the current row; names compare without regard to case.
    // Missing field: err::FieldNotFound; no current row: err::NoCurrentRecord.
    QVariant field(const QString& fieldName, Status* status = nullptr) const;
    Status setField(const QString& fieldName, const QVariant& value);

    Status addNew();
    Status edit();
    Status update();
    void cancelUpdate();
    Status remove();
    bool isEditing() const;

    QList<FieldInfo> fields() const;
    int fieldIndex(const QString& fieldName) const; // -1 when missing
    // Declared length of a text field (0 when unknown or not text).
    int fieldSize(const QString& fieldName) const;

    // Direct access for grids and lists.
    QVariant value(int row, int column) const;

    Status lastError() const;

signals:
    void refreshed();
    void rowChanged(int row);
    void rowInserted(int row);
    void rowRemoved(int row);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace onda
