#pragma once

#include <QList>
#include <QString>

namespace onda::sql {

// A piece of statement text; concatenating the texts of all tokens gives the statement back.
struct Token {
    enum class Type { Space, Word, SingleQuoted, DoubleQuoted, Bracketed, Symbol };
    Type type = Type::Space;
    QString text;

    bool isSpace() const { return type == Type::Space; }
    bool is(QLatin1StringView keyword) const {
        return type == Type::Word && text.compare(keyword, Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(QChar c) const { return type == Type::Symbol && text.size() == 1 && text.front() == c; }
    bool isName() const { return type == Type::Word || type == Type::Bracketed; }
    // A name without its brackets.
    QString name() const { return type == Type::Bracketed ? text.mid(1, text.size() - 2) : text; }
};

// Splits a statement into tokens; comments and blanks become Space tokens.
QList<Token> tokenize(const QString& text);
QString join(const QList<Token>& tokens);

// Indices of the tokens that are not blanks or comments.
QList<int> significant(const QList<Token>& tokens);

// An identifier as SQLite reads it in statements the store builds itself.
inline QString quoteName(const QString& name) {
    QString out = name;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

} // namespace onda::sql
