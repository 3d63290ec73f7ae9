#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace onda {

// Every function here takes any text, empty, cut short or binary, without failing.

enum class AnswerVerdict {
    Valid,   // carries "RESPONSE=" and no error
    Refused, // the service's error answer, with its text
    Invalid, // empty, cut short, or not an answer of the service
};

struct Screening {
    AnswerVerdict verdict = AnswerVerdict::Invalid;
    QString serviceMessage; // the text of a refusal
};

// The error test comes first: an answer naming "ERRORE" is a refusal even when it also
// carries "RESPONSE=". One without a readable "ERRORE=" ... "**" text is invalid.
Screening screenAnswer(const QString& answer);

// The text between the first "ERRORE=" and the next "**".
std::optional<QString> serviceErrorText(const QString& answer);

enum class PayloadMarker { Manif, Categorie, Programmi, Iscrizioni, Nota };

// The payload that follows the first marker, up to the answer's closing characters.
// Empty when nothing is left between them; nullopt when the marker is missing.
std::optional<QString> cutPayload(const QString& answer, PayloadMarker marker);

// The records of a payload, each split into its fields. A record is a piece followed by
// the record end, so text after the last record end is not a record.
QList<QStringList> splitRecords(const QString& payload, PayloadMarker marker);

struct ListedCompetition {
    QString numeroProva;
    QString nome;
    QString localita;
    QString data;
    QString maxPerClub; // may be empty
    QString maxPerAthlete;
};

struct CompetitionList {
    QString groupId;
    QList<ListedCompetition> competitions; // records with too few fields are left out
};

std::optional<CompetitionList> parseCompetitionList(const QString& answer);

struct CompetitionLimits {
    QString perClub;
    QString perAthlete;
};

struct CompetitionDetails {
    // From the last record that carries them; none: the limits stay as they were.
    std::optional<CompetitionLimits> limits;
};

// The one-competition answer: its limits are one field earlier than in the list.
std::optional<CompetitionDetails> parseCompetitionDetails(const QString& answer);

struct Category {
    QString sesso;
    QString categoria;
    QString annoIni;
    QString annoFin;
};

struct CategoriesAnswer {
    QString payload; // kept whole: the category assignment reads it as it came
    QList<Category> categories;
};

std::optional<CategoriesAnswer> parseCategories(const QString& answer);

struct Race {
    QString ordineGara;
    QString gara;
    QString categoria;
    QString sesso;
};

struct RacesAnswer {
    QString payload;
    QList<Race> races;
    // Nothing defined: the races already stored are kept and the user is told.
    bool noRacesDefined() const { return payload.isEmpty(); }
};

std::optional<RacesAnswer> parseRaces(const QString& answer);

struct Registration {
    QString codatl; // may be empty: a provisional code is asked for
    QString nome;
    QString soc;
    QString cat;
    QString anno;
    QString sesso;
    QString spec;
    QString m;
    QString s; // with "." as its decimal point
    QString status;
};

struct RegistrationsAnswer {
    int lineCount = 0; // every line received, complete or not
    QList<Registration> registrations;
};

std::optional<RegistrationsAnswer> parseRegistrations(const QString& answer);

// One registration after the other, false after the last.
using RegistrationReader = std::function<bool(Registration& next)>;
// Registrations read from the first again by every reader it makes.
using RegistrationSource = std::function<RegistrationReader()>;
RegistrationSource registrationsOf(const QList<Registration>& list); // the list outlives them

// The registrations answer kept as its bytes and read one line at a time, each line decoded on
// its own (see bodyText): a large answer is held neither as text nor as a list.
class RegistrationLines {
public:
    // Nullopt when the answer has no registrations.
    static std::optional<RegistrationLines> of(QByteArray answer);
    int lineCount() const { return m_lineCount; } // every line received, complete or not
    // Its complete lines (ten fields or more), in order; the lines outlive them.
    RegistrationSource registrations() const;

private:
    QByteArray m_answer;
    qsizetype m_start = 0; // the lines lie between these
    qsizetype m_end = 0;
    int m_lineCount = 0;
};

// The competition note; empty when four characters or fewer follow the marker.
std::optional<QString> parseNote(const QString& answer);

// The status of the import order, between "RESPONSE=" and the next "**".
std::optional<QString> parseImportStatus(const QString& answer);
inline bool importAccepted(const QString& status) {
    return status == QLatin1String("OK");
}

enum class LoginVerdict {
    Refused,  // the service's error text is shown
    Accepted, // the club code came with the answer
    Rejected, // wrong credentials, no connection or an unreadable answer
};

struct LoginAnswer {
    LoginVerdict verdict = LoginVerdict::Rejected;
    QString serviceMessage;
    QString club;
};

// The login check reads "ERRORE" first, then "OK" anywhere, and the club code between
// "SOC=" and the next "**". An "OK" without a readable club code is rejected, so that no
// empty club is ever stored.
LoginAnswer parseLoginAnswer(const QString& answer);

} // namespace onda
