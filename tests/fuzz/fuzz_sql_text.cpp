// Any text as a quoted value, a criterion, a name and a whole statement: a value quoted into a
// statement finds exactly the rows that hold it, a name comes back from SQLite as written.
#include "store/Database.h"
#include "store/SqlDialect.h"
#include "store/SqlText.h"
#include "store/SqlTokens.h"
#include "store/SqliteSupport.h"

#include <cstddef>
#include <cstdint>

using namespace onda;

namespace {

void check(bool holds) {
    if (!holds)
        __builtin_trap();
}

// Runs a statement as the store runs its own, untranslated.
void run(Database& db, const QString& statement, const QVariantList& parameters = {}) {
    detail::Statement stmt;
    check(stmt.prepare(db.handle(), statement).ok());
    stmt.bindAll(parameters);
    check(stmt.run(db.handle()).ok());
}

// The first column, as text, of the rows a statement in the program's dialect finds.
QStringList column(Database& db, const QString& statement, const QVariantList& parameters = {}) {
    Database::Result result;
    check(db.query(statement, result, parameters).ok());
    QStringList values;
    for (const QVariantList& row : std::as_const(result.rows))
        values << row.value(0).toString();
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Database db;
    if (!db.isOpen()) {
        check(db.open(QStringLiteral(":memory:"), true).ok());
        check(db.execute(QStringLiteral("create table t (v text)")).ok());
        // Names get a schema of their own, where no other table can be in the way.
        check(db.execute(QStringLiteral("attach ':memory:' as n")).ok());
    }
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // Unpaired surrogates too reach the translator.
    translateStatement(QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2)));
    const QString text = QString::fromUtf8(bytes);
    translateStatement(text);
    check(sql::join(sql::tokenize(text)) == text);
    // Only double-quoted text is rewritten in a criterion.
    if (!text.contains(QLatin1Char('"')))
        check(translateCriterion(text) == text);
    // The store refuses any statement with a NUL, whatever it is quoted in.
    if (text.contains(QChar(u'\0')))
        return 0;

    run(db, QStringLiteral("delete from t"));
    for (const QString& row :
         {text, text.toUpper(), text + QLatin1Char('\''), QLatin1Char('\'') + text, QStringLiteral("x"), QString()})
        run(db, QStringLiteral("insert into t (v) values (?1)"), {row});
    const QString byRow = QStringLiteral(" order by rowid");
    const QStringList holding = column(db, QStringLiteral("select rowid from t where v = ?1") + byRow, {text});
    check(!holding.isEmpty());
    for (const QString& literal : {sqlQuoted(text), sqlDoubleQuoted(text)}) {
        check(column(db, QStringLiteral("select rowid from t where v = ") + literal + byRow) == holding);
        const QString criterion = translateCriterion(QStringLiteral("v=") + literal);
        check(column(db, QStringLiteral("select rowid from t where ") + criterion + byRow) == holding);
        // A value no row holds deletes nothing.
        const QString absent = QLatin1Char('\x01') + text + QLatin1Char('\x01');
        if (!column(db, QStringLiteral("select rowid from t where v = ?1"), {absent}).isEmpty())
            continue;
        const QString quoted = literal.front() == QLatin1Char('"') ? sqlDoubleQuoted(absent) : sqlQuoted(absent);
        check(db.execute(QStringLiteral("delete * from t where v=") + quoted).ok());
        check(column(db, QStringLiteral("select count(*) from t")) == QStringList{QStringLiteral("6")});
    }

    // A name as the store writes it in its own statements names exactly that column and table;
    // compared in SQLite, which reads U+FFFF back as U+FFFD.
    const QString name = sql::quoteName(text);
    const QStringList one = {QStringLiteral("1")};
    run(db, QStringLiteral("create table n.q (") + name + QStringLiteral(" text)"));
    check(column(db, QStringLiteral("select count(*) from pragma_table_info('q', 'n') where name = ?1"), {text}) ==
          one);
    run(db, QStringLiteral("drop table n.q"));
    if (!text.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive)) {
        run(db, QStringLiteral("create table n.") + name + QStringLiteral(" (c)"));
        check(column(db, QStringLiteral("select count(*) from n.sqlite_schema where name = ?1"), {text}) == one);
        run(db, QStringLiteral("drop table n.") + name);
    }
    return 0;
}
