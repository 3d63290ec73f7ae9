#include "store/SqlDialect.h"

#include "store/SqlText.h"
#include "store/SqlTokens.h"

namespace onda {
namespace sql {

namespace {

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Index just past a quoted run starting at `from`; a doubled closing character stays inside.
qsizetype quotedEnd(const QString& text, qsizetype from, QChar close) {
    qsizetype i = from + 1;
    while (i < text.size()) {
        if (text[i] == close) {
            if (close != QLatin1Char(']') && i + 1 < text.size() && text[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return text.size();
}

} // namespace

QList<Token> tokenize(const QString& text) {
    QList<Token> tokens;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        qsizetype end = i + 1;
        Token::Type type = Token::Type::Symbol;
        if (c.isSpace()) {
            while (end < n && text[end].isSpace())
                ++end;
            type = Token::Type::Space;
        } else if (c == QLatin1Char('-') && i + 1 < n && text[i + 1] == QLatin1Char('-')) {
            end = text.indexOf(QLatin1Char('\n'), i);
            end = end < 0 ? n : end + 1;
            type = Token::Type::Space;
        } else if (c == QLatin1Char('/') && i + 1 < n && text[i + 1] == QLatin1Char('*')) {
            end = text.indexOf(QLatin1String("*/"), i + 2);
            end = end < 0 ? n : end + 2;
            type = Token::Type::Space;
        } else if (c == QLatin1Char('\'')) {
            end = quotedEnd(text, i, c);
            type = Token::Type::SingleQuoted;
        } else if (c == QLatin1Char('"')) {
            end = quotedEnd(text, i, c);
            type = Token::Type::DoubleQuoted;
        } else if (c == QLatin1Char('[')) {
            end = quotedEnd(text, i, QLatin1Char(']'));
            type = Token::Type::Bracketed;
        } else if (isWordChar(c)) {
            while (end < n && isWordChar(text[end]))
                ++end;
            type = Token::Type::Word;
        }
        tokens.append({type, text.mid(i, end - i)});
        i = end;
    }
    return tokens;
}

QString join(const QList<Token>& tokens) {
    QString out;
    for (const Token& t : tokens)
        out += t.text;
    return out;
}

QList<int> significant(const QList<Token>& tokens) {
    QList<int> out;
    for (int i = 0; i < tokens.size(); ++i) {
        if (!tokens[i].isSpace())
            out.append(i);
    }
    return out;
}

} // namespace sql

namespace {

using sql::Token;

// "text" is a string literal in the dialect.
void literalsFromDoubleQuotes(QList<Token>& tokens) {
    for (Token& t : tokens) {
        if (t.type != Token::Type::DoubleQuoted)
            continue;
        QString inner = t.text.mid(1);
        if (inner.endsWith(QLatin1Char('"')))
            inner.chop(1);
        inner.replace(QLatin1String("\"\""), QLatin1String("\""));
        t = {Token::Type::SingleQuoted, sqlQuoted(inner)};
    }
}

bool isTextType(const QString& word) {
    static const QStringList names = {
        QStringLiteral("text"),     QStringLiteral("varchar"),  QStringLiteral("char"),  QStringLiteral("memo"),
        QStringLiteral("longtext"), QStringLiteral("nvarchar"), QStringLiteral("nchar"), QStringLiteral("character"),
        QStringLiteral("string"),   QStringLiteral("longchar"), QStringLiteral("note"),
    };
    return names.contains(word, Qt::CaseInsensitive);
}

// CREATE TABLE n (col type, ...): text columns compare without regard to case.
void adjustCreateTable(QList<Token>& tokens, const QList<int>& sig) {
    int open = -1;
    for (int k = 2; k < sig.size(); ++k) {
        const Token& t = tokens[sig[k]];
        if (t.is(QLatin1StringView("as")))
            return;
        if (t.isSymbol(QLatin1Char('('))) {
            open = k;
            break;
        }
    }
    if (open < 0)
        return;

    // Column definitions as ranges of `sig` positions.
    QList<QPair<int, int>> defs;
    int depth = 0;
    int start = open + 1;
    for (int k = open + 1; k < sig.size(); ++k) {
        const Token& t = tokens[sig[k]];
        if (t.isSymbol(QLatin1Char('('))) {
            ++depth;
        } else if (t.isSymbol(QLatin1Char(')'))) {
            if (depth == 0) {
                defs.append({start, k});
                break;
            }
            --depth;
        } else if (depth == 0 && t.isSymbol(QLatin1Char(','))) {
            defs.append({start, k});
            start = k + 1;
        }
    }

    // Edits go from the back so that earlier token indices stay valid.
    for (auto it = defs.crbegin(); it != defs.crend(); ++it) {
        const auto [first, last] = *it;
        if (last - first < 2)
            continue;
        const Token& head = tokens[sig[first]];
        static const QStringList constraints = {QStringLiteral("constraint"), QStringLiteral("primary"),
                                                QStringLiteral("unique"), QStringLiteral("check"),
                                                QStringLiteral("foreign")};
        if (head.type == Token::Type::Word && constraints.contains(head.text, Qt::CaseInsensitive))
            continue;
        const int typePos = sig[first + 1];
        Token& type = tokens[typePos];
        if (type.type != Token::Type::Word)
            continue;
        if (type.is(QLatin1StringView("counter")) || type.is(QLatin1StringView("autoincrement"))) {
            type.text = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
            continue;
        }
        if (!isTextType(type.text))
            continue;
        // MEMO would get numeric affinity in SQLite.
        if (type.is(QLatin1StringView("memo")) || type.is(QLatin1StringView("note")))
            type.text = QStringLiteral("LONGTEXT");
        bool hasCollation = false;
        for (int k = first + 2; k < last; ++k)
            hasCollation = hasCollation || tokens[sig[k]].is(QLatin1StringView("collate"));
        if (hasCollation)
            continue;
        int after = typePos;
        if (first + 2 < last && tokens[sig[first + 2]].isSymbol(QLatin1Char('('))) {
            for (int k = first + 3; k < last; ++k) {
                if (tokens[sig[k]].isSymbol(QLatin1Char(')'))) {
                    after = sig[k];
                    break;
                }
            }
        }
        tokens.insert(after + 1, {Token::Type::Word, QStringLiteral(" COLLATE NOCASE")});
    }
}

} // namespace

TranslatedStatement translateStatement(const QString& statement) {
    TranslatedStatement out;
    QList<Token> tokens = sql::tokenize(statement);
    literalsFromDoubleQuotes(tokens);
    const QList<int> sig = sql::significant(tokens);
    if (sig.isEmpty()) {
        out.sql = statement;
        return out;
    }
    auto at = [&](int k) -> const Token& { return tokens[sig[k]]; };
    const Token& first = at(0);

    if (first.is(QLatin1StringView("delete")) && sig.size() >= 3 && at(1).isSymbol(QLatin1Char('*')) &&
        at(2).is(QLatin1StringView("from"))) {
        const int star = sig[1];
        const int removeTo = tokens[star + 1].isSpace() ? star + 1 : star;
        tokens.remove(star, removeTo - star + 1);
    } else if (first.is(QLatin1StringView("select"))) {
        int depth = 0;
        int into = -1;
        for (int k = 1; k < sig.size(); ++k) {
            const Token& t = at(k);
            if (t.isSymbol(QLatin1Char('(')))
                ++depth;
            else if (t.isSymbol(QLatin1Char(')')))
                --depth;
            else if (depth == 0 && t.is(QLatin1StringView("into"))) {
                into = k;
                break;
            }
        }
        if (into > 0 && into + 2 < sig.size() && at(into + 1).isName() && at(into + 2).is(QLatin1StringView("from"))) {
            // SELECT t.* INTO n FROM t  /  SELECT * INTO n FROM t
            int end = sig.size();
            if (at(end - 1).isSymbol(QLatin1Char(';')))
                --end;
            const bool qualifiedStar =
                into == 4 && at(1).isName() && at(2).isSymbol(QLatin1Char('.')) && at(3).isSymbol(QLatin1Char('*'));
            const bool plainStar = into == 2 && at(1).isSymbol(QLatin1Char('*'));
            if ((qualifiedStar || plainStar) && end == into + 4 && at(into + 3).isName() &&
                (plainStar || at(1).name().compare(at(into + 3).name(), Qt::CaseInsensitive) == 0)) {
                out.kind = TranslatedStatement::Kind::CopyTable;
                out.source = at(into + 3).name();
                out.target = at(into + 1).name();
                out.sql = sql::join(tokens);
                return out;
            }
            // SELECT cols INTO n FROM ... -> CREATE TABLE n AS SELECT cols FROM ...
            const QString target = at(into + 1).text;
            const int from = sig[into - 1] + 1;
            const int to = sig[into + 1];
            tokens.remove(from, to - from + 1);
            tokens.insert(sig[0],
                          {Token::Type::Word, QStringLiteral("CREATE TABLE ") + target + QStringLiteral(" AS ")});
        }
    } else if (first.is(QLatin1StringView("create")) && sig.size() > 2 && at(1).is(QLatin1StringView("table"))) {
        adjustCreateTable(tokens, sig);
    }
    out.sql = sql::join(tokens);
    return out;
}

QString translateCriterion(const QString& criterion) {
    QList<Token> tokens = sql::tokenize(criterion);
    literalsFromDoubleQuotes(tokens);
    return sql::join(tokens);
}

} // namespace onda
