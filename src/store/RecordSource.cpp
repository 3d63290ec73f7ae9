#include "store/RecordSource.h"

#include "store/SqlDialect.h"
#include "store/SqlTokens.h"

namespace onda {

using sql::Token;

namespace {

bool isClauseKeyword(const Token& t) {
    static const QStringList words = {QStringLiteral("where"), QStringLiteral("order"), QStringLiteral("limit")};
    return t.type == Token::Type::Word && words.contains(t.text, Qt::CaseInsensitive);
}

} // namespace

RecordSourceShape analyseRecordSource(const QString& recordSource) {
    QList<Token> tokens = sql::tokenize(recordSource);
    const QList<int> sig = sql::significant(tokens);
    if (sig.size() == 1 && tokens[sig[0]].isName()) {
        const QString table = tokens[sig[0]].name();
        const QString quoted = sql::quoteName(table);
        return {QStringLiteral("SELECT %1.rowid AS %2, * FROM %1").arg(quoted, rowidColumnName()), table, quoted, true};
    }
    RecordSourceShape plain{translateStatement(recordSource).sql, {}, {}, false};
    if (sig.isEmpty() || !tokens[sig[0]].is(QLatin1StringView("select")))
        return plain;

    // Only "select ... from <one table> [alias] [where ...] [order by ...]" maps rows to table rows.
    static const QStringList refusing = {
        QStringLiteral("join"), QStringLiteral("group"),  QStringLiteral("distinct"),  QStringLiteral("union"),
        QStringLiteral("into"), QStringLiteral("having"), QStringLiteral("intersect"), QStringLiteral("except")};
    int depth = 0;
    int from = -1;
    for (int k = 1; k < sig.size(); ++k) {
        const Token& t = tokens[sig[k]];
        if (t.isSymbol(QLatin1Char('(')))
            ++depth;
        else if (t.isSymbol(QLatin1Char(')')))
            --depth;
        else if (depth == 0 && t.type == Token::Type::Word && refusing.contains(t.text, Qt::CaseInsensitive))
            return plain;
        else if (depth == 0 && from < 0 && t.is(QLatin1StringView("from")))
            from = k;
    }
    if (from < 0 || from + 1 >= sig.size() || !tokens[sig[from + 1]].isName())
        return plain;
    const Token tableToken = tokens[sig[from + 1]];
    QString qualifier = tableToken.text;
    int k = from + 2;
    if (k < sig.size() && tokens[sig[k]].is(QLatin1StringView("as")))
        ++k;
    if (k < sig.size() && tokens[sig[k]].isName() && !isClauseKeyword(tokens[sig[k]])) {
        qualifier = tokens[sig[k]].text;
        ++k;
    } else if (k != from + 2) {
        return plain;
    }
    if (k < sig.size() && !isClauseKeyword(tokens[sig[k]]) && !tokens[sig[k]].isSymbol(QLatin1Char(';')))
        return plain;

    tokens.insert(sig[0] + 1,
                  {Token::Type::Word, QStringLiteral(" %1.rowid AS %2,").arg(qualifier, rowidColumnName())});
    return {translateStatement(sql::join(tokens)).sql, tableToken.name(), qualifier, false};
}

} // namespace onda
