#pragma once

#include <QString>

#include <optional>

namespace onda {

// The values of options.txt, in file order. Only userId and pin are used by the program.
struct Options {
    QString kind1, kind2, kind3;   // lines 1, 3, 5
    int min1 = 0, max1 = 0;        // line 2
    int min2 = 0, max2 = 0;        // line 4
    int min3 = 0, max3 = 0;        // line 6
    QString copyAddress;           // line 7
    QString recipientAddress;      // line 8
    std::optional<QString> userId; // line 9, when read
    std::optional<QString> pin;    // line 10, when read
};

inline const QString kOptionsFileName = QStringLiteral("options.txt");

// Reads the ten first lines; a step that fails (missing line, not a number) is skipped.
// Returns false when the file cannot be opened.
bool readOptionsFile(const QString& path, Options& out);

// Creates the file with its eleven lines; never called on an existing file.
bool createOptionsFile(const QString& path, const QString& userId, const QString& pin, const QString& baseAddress);

// Load step of the main window: reads the file when it exists, creates it otherwise.
// userId and pin receive lines 9 and 10 when they are read.
void loadOrCreateOptionsFile(const QString& programDirectory, QString& userId, QString& pin,
                             const QString& baseAddress);

// One text value of a line: leading blanks skipped, a quoted value read to its closing
// quote, otherwise up to the first comma, trailing blanks dropped.
QString optionsTextValue(const QString& line);

} // namespace onda
