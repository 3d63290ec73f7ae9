#include "lenex/LenexReader.h"

#include "lenex/SwimCodes.h"

#include <quazip.h>
#include <quazipfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace onda::lenex {

namespace {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString notLenex(const QString& path) {
    return QStringLiteral("Il file ") + shown(path) + QStringLiteral(" non e' un file LENEX.");
}

QString tooLarge(const QString& path) {
    return QStringLiteral("Il file ") + shown(path) +
           QStringLiteral(" e' troppo grande per un file LENEX (piu' di 100 MB): non e' stato letto.");
}

// Recursive descent over the elements we use; every other element is skipped whole.
class Parser {
public:
    explicit Parser(QXmlStreamReader& xml) : m_xml(xml) {}

    QString attr(const char* name) const { return m_xml.attributes().value(QLatin1String(name)).toString(); }
    int number(const char* name, int fallback = 0) const {
        bool ok = false;
        const int n = m_xml.attributes().value(QLatin1String(name)).toInt(&ok);
        return ok ? n : fallback;
    }
    QDate date(const char* name) const { return QDate::fromString(attr(name), Qt::ISODate); }
    int time(const char* name) const { return parseSwimTime(attr(name)).value_or(-1); }
    bool is(const char* name) const { return m_xml.name() == QLatin1String(name); }

    // Calls `child` for each child element; those it leaves unread are skipped.
    template <class F> void children(F&& child) {
        while (m_xml.readNextStartElement()) {
            if (!child())
                m_xml.skipCurrentElement();
        }
    }

    // The elements named `item` of the collection the reader stands in: `each` reads one and
    // returns true once it consumed it, false to have it skipped (attributes only).
    template <class F> void items(const char* item, F&& each) {
        children([&] { return is(item) && each(); });
    }
    // The collection `name` (the reader stands on one of the parent's children): true when it was.
    template <class F> bool collection(const char* name, const char* item, F&& each) {
        if (!is(name))
            return false;
        items(item, each);
        return true;
    }

    void meet(Meet& meet) {
        meet.name = attr("name");
        meet.city = attr("city");
        meet.nation = attr("nation");
        meet.course = attr("course");
        meet.deadline = date("deadline");
        meet.deadlineTime = attr("deadlinetime");
        meet.maxEntriesAthlete = number("maxentriesathlete");
        meet.maxEntriesRelay = number("maxentriesrelay");
        children([&] {
            if (is("AGEDATE")) {
                meet.ageDate = date("value");
                meet.ageDateType = attr("type");
                return false;
            }
            if (is("QUALIFY")) {
                meet.qualify = {date("from"), date("until"), attr("conversion"), number("percent")};
                return false;
            }
            if (fees(meet.fees))
                return true;
            return collection("SESSIONS", "SESSION",
                              [&] {
                                  meet.sessions << session();
                                  return true;
                              }) ||
                   collection("CLUBS", "CLUB", [&] {
                       meet.clubs << club();
                       return true;
                   });
        });
    }

    Session session() {
        Session s{number("number"),
                  date("date"),
                  attr("course"),
                  {},
                  attr("name"),
                  number("maxentriesathlete"),
                  number("maxentriesrelay"),
                  {}};
        children([&] {
            return fees(s.fees) || collection("EVENTS", "EVENT", [&] {
                       s.events << event();
                       return true;
                   });
        });
        return s;
    }

    Event event() {
        Event e;
        e.id = attr("eventid");
        e.number = number("number");
        e.gender = attr("gender");
        e.round = attr("round");
        e.previousId = attr("preveventid");
        e.maxEntries = number("maxentries");
        children([&] {
            if (is("SWIMSTYLE")) {
                e.style = {number("distance"), number("relaycount", 1), attr("stroke"), attr("name"),
                           attr("technique"),  attr("swimstyleid"),     attr("code")};
                return false;
            }
            if (is("FEE")) {
                e.fee = fee();
                return false;
            }
            if (collection("TIMESTANDARDREFS", "TIMESTANDARDREF", [&] {
                    e.standardRefs << TimeStandardRef{attr("timestandardlistid"), attr("marker"), {}};
                    children([&] {
                        if (is("FEE"))
                            e.standardRefs.last().fee = fee();
                        return false;
                    });
                    return true;
                }))
                return true;
            return collection("AGEGROUPS", "AGEGROUP", [&] {
                e.ageGroups << AgeGroup{attr("agegroupid"), number("agemin", -1), number("agemax", -1), attr("gender"),
                                        attr("name"),       attr("calculate"),    attr("handicap")};
                return false;
            });
        });
        return e;
    }

    Fee fee() const { return {attr("type"), number("value"), attr("currency")}; }
    // The FEES collection, when the reader stands on it.
    bool fees(QList<Fee>& out) {
        return collection("FEES", "FEE", [&] {
            out << fee();
            return false;
        });
    }

    TimeStandardList timeStandardList() {
        TimeStandardList l{attr("timestandardlistid"),
                           attr("name"),
                           attr("type"),
                           attr("gender"),
                           attr("course"),
                           attr("handicap"),
                           -1,
                           -1,
                           {}};
        children([&] {
            if (is("AGEGROUP")) {
                l.ageMin = number("agemin", -1);
                l.ageMax = number("agemax", -1);
                return false;
            }
            return collection("TIMESTANDARDS", "TIMESTANDARD", [&] {
                l.standards << TimeStandard{{}, time("swimtime")};
                children([&] {
                    if (is("SWIMSTYLE"))
                        l.standards.last().style = {number("distance"), number("relaycount", 1), attr("stroke"),
                                                    attr("name"),       attr("technique"),       attr("swimstyleid"),
                                                    attr("code")};
                    return false;
                });
                return true;
            });
        });
        return l;
    }

    // The ENTRIES collection, when the reader stands on it.
    bool entries(QList<Entry>& out) {
        return collection("ENTRIES", "ENTRY", [&] {
            out << Entry{attr("eventid"), time("entrytime"), attr("agegroupid"), attr("entrycourse")};
            return false;
        });
    }

    Club club() {
        Club c{attr("name"), attr("code"), attr("nation"), {}, {}};
        children([&] {
            return collection("ATHLETES", "ATHLETE",
                              [&] {
                                  c.athletes << athlete();
                                  return true;
                              }) ||
                   collection("RELAYS", "RELAY", [&] {
                       Relay r{number("number", 1),
                               attr("gender"),
                               attr("name"),
                               {},
                               number("agemin", -1),
                               number("agemax", -1),
                               number("agetotalmin", -1),
                               number("agetotalmax", -1)};
                       children([&] { return entries(r.entries); });
                       c.relays << r;
                       return true;
                   });
        });
        return c;
    }

    Athlete athlete() {
        Athlete a{attr("athleteid"),
                  attr("lastname"),
                  attr("firstname"),
                  date("birthdate"),
                  attr("gender"),
                  attr("license"),
                  {},
                  {}};
        children([&] {
            return entries(a.entries) || collection("RESULTS", "RESULT", [&] {
                       a.results << Result{attr("eventid"), time("swimtime"), attr("status")};
                       return false;
                   });
        });
        return a;
    }

private:
    QXmlStreamReader& m_xml;
};

} // namespace

ReadOutcome readXml(QIODevice& device, const QString& path, Document& document) {
    document = {};
    QXmlStreamReader xml(&device);
    // Without a LENEX root element the file is something else, not a damaged one.
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("LENEX"))
        return {false, notLenex(path)};
    Parser parser(xml);
    document.version = parser.attr("version");
    if (!document.version.isEmpty() && document.version != QLatin1String("3") &&
        !document.version.startsWith(QLatin1String("3.")))
        return {false, QStringLiteral("Il file ") + shown(path) + QStringLiteral(" e' nella versione LENEX ") +
                           document.version + QStringLiteral(": il programma legge solo la versione 3.")};
    QList<TimeStandardList> standards;
    parser.children([&] {
        return parser.collection("MEETS", "MEET", [&] {
            document.meets << Meet{};
            parser.meet(document.meets.last());
            return true;
        }) || parser.collection("TIMESTANDARDLISTS", "TIMESTANDARDLIST", [&] {
            standards << parser.timeStandardList();
            return true;
        });
    });
    for (Meet& meet : document.meets)
        meet.timeStandards = standards;
    if (xml.hasError()) {
        document = {};
        // The parser's own wording is English: the line is what helps the organiser mend the file.
        return {false, QStringLiteral("Il file LENEX ") + shown(path) + QStringLiteral(" e' danneggiato alla riga ") +
                           QString::number(xml.lineNumber()) + QStringLiteral(": non e' stato letto.")};
    }
    return {true, {}};
}

ReadOutcome readFile(const QString& path, Document& document, qint64 limit) {
    document = {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("Impossibile leggere il file ") + shown(path) + QStringLiteral(": ") +
                           file.errorString()};
    if (file.size() > limit)
        return {false, tooLarge(path)};
    if (file.peek(2) != "PK")
        return readXml(file, path, document);
    file.close();

    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return {false, notLenex(path)};
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFileInfo64 info;
        if (!zip.getCurrentFileInfo(&info) || !info.name.endsWith(QLatin1String(".lef"), Qt::CaseInsensitive))
            continue;
        if (info.uncompressedSize > static_cast<quint64>(limit))
            return {false, tooLarge(path)};
        QuaZipFile member(&zip);
        if (!member.open(QIODevice::ReadOnly))
            return {false, QStringLiteral("Il file LENEX ") + shown(path) +
                               QStringLiteral(" e' danneggiato: il suo contenuto non si puo' estrarre.")};
        ReadOutcome outcome = readXml(member, path, document);
        member.close();
        if (outcome.ok && member.getZipError() != UNZ_OK) {
            document = {};
            return {false, QStringLiteral("Il file LENEX ") + shown(path) +
                               QStringLiteral(" e' danneggiato: il suo contenuto non si puo' estrarre.")};
        }
        return outcome;
    }
    return {false, QStringLiteral("L'archivio ") + shown(path) + QStringLiteral(" non contiene un file LENEX (.lef).")};
}

const Event* Meet::event(const QString& id, QString* courseOut) const {
    for (const Session& s : sessions) {
        for (const Event& e : s.events) {
            if (e.id == id) {
                if (courseOut)
                    *courseOut = s.course.isEmpty() ? course : s.course;
                return &e;
            }
        }
    }
    return nullptr;
}

int Meet::eventCount() const {
    int n = 0;
    for (const Session& s : sessions)
        n += s.events.size();
    return n;
}

int poolLength(const QString& course) {
    const QString c = course.trimmed().toUpper();
    if (c == QLatin1String("LCM"))
        return 50;
    if (c == QLatin1String("SCM") || c == QLatin1String("SCY"))
        return 25;
    if (c.size() > 3 && (c.startsWith(QLatin1String("SCM")) || c.startsWith(QLatin1String("SCY"))))
        return c.mid(3).toInt(); // SCM16, SCY27...: the length follows
    return 0;
}

bool isMetricPool(const QString& course) {
    return course.trimmed().toUpper().startsWith(QLatin1String("SCM")) ||
           course.trimmed().compare(QLatin1String("LCM"), Qt::CaseInsensitive) == 0;
}

QString courseWords(const QString& course) {
    if (course.trimmed().compare(QLatin1String("OPEN"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("acque libere");
    const int length = poolLength(course);
    if (length <= 0)
        return {};
    return QStringLiteral("vasca %1 %2")
        .arg(length)
        .arg(isMetricPool(course) ? QStringLiteral("m") : QStringLiteral("yd"));
}

} // namespace onda::lenex
