#include "lenex/LenexReader.h"

#include "lenex/SwimCodes.h"

#include <quazip.h>
#include <quazipfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstring>
#include <optional>

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

QString damagedAt(const QString& path, qint64 line) {
    // The parser's own wording is English: the line is what helps the organiser mend the file.
    return QStringLiteral("Il file LENEX ") + shown(path) + QStringLiteral(" e' danneggiato alla riga ") +
           QString::number(line) + QStringLiteral(": non e' stato letto.");
}

// The bytes of a file on their way to the XML reader, counted: the reader keeps a whole tag or
// text in memory before it hands it over, so a run of more than kMaxValueBytes without markup
// ending, or more than `limit` bytes in all (whatever a ZIP header says), ends the input there.
class BoundedDevice : public QIODevice {
public:
    enum class Stop { None, TooLarge, TooLong };

    BoundedDevice(QIODevice& source, qint64 limit) : m_source(source), m_limit(limit) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    Stop stop() const { return m_stop; }
    // The line where the run that was too long began.
    qint64 runLine() const { return m_runLine; }

protected:
    qint64 readData(char* data, qint64 max) override {
        if (m_stop != Stop::None)
            return -1;
        const qint64 n = m_source.read(data, std::min(max, m_limit - m_total + 1));
        if (n <= 0)
            return n;
        m_total += n;
        if (m_total > m_limit)
            m_stop = Stop::TooLarge;
        for (qint64 i = 0; i < n && m_stop == Stop::None; ++i)
            scan(data[i]);
        return m_stop == Stop::None ? n : -1;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    enum class State { Text, Markup, Comment, CData, Instruction };

    void startRun(State state) {
        m_state = state;
        m_run = 0;
        m_runLine = m_line;
        m_quote = 0;
        m_depth = 0;
        m_blanks = 0;
    }
    bool headIs(const char* text) const { return std::memcmp(m_head, text, std::strlen(text)) == 0; }
    void scan(char c) {
        if (c == '\n')
            ++m_line;
        if (m_state == State::Text && c == '<')
            startRun(State::Markup);
        if (m_run < qint64(sizeof m_head))
            m_head[m_run] = c;
        ++m_run;
        const bool closes = c == '>';
        switch (m_state) {
        case State::Text:
            // A text is told by the line where it begins, after the blanks that lead to it.
            if (m_run == m_blanks + 1 && (c == ' ' || c == '\n' || c == '\r' || c == '\t')) {
                ++m_blanks;
                m_runLine = m_line;
            }
            break;
        case State::Markup:
            if (m_run == 2 && c == '?')
                m_state = State::Instruction;
            else if (m_run == 4 && headIs("<!--"))
                m_state = State::Comment;
            else if (m_run == 9 && headIs("<![CDATA["))
                m_state = State::CData;
            else if (m_quote != 0)
                m_quote = c == m_quote ? 0 : m_quote;
            else if (c == '"' || c == '\'')
                m_quote = c;
            else if (c == '[' || c == ']')
                m_depth += c == '[' ? 1 : -1; // a document type's own declarations
            else if (closes && m_depth <= 0)
                startRun(State::Text);
            break;
        case State::Comment:
            if (closes && m_run >= 7 && m_prev == '-' && m_beforePrev == '-')
                startRun(State::Text);
            break;
        case State::CData:
            if (closes && m_prev == ']' && m_beforePrev == ']')
                startRun(State::Text);
            break;
        case State::Instruction:
            if (closes && m_run >= 4 && m_prev == '?')
                startRun(State::Text);
            break;
        }
        m_beforePrev = m_prev;
        m_prev = c;
        if (m_run > kMaxValueBytes)
            m_stop = Stop::TooLong;
    }

    QIODevice& m_source;
    qint64 m_limit;
    qint64 m_total = 0;
    Stop m_stop = Stop::None;
    State m_state = State::Text;
    qint64 m_run = 0;
    qint64 m_line = 1;
    qint64 m_runLine = 1;
    char m_head[9] = {}; // the first bytes of a markup, which tell its kind
    char m_prev = 0;
    char m_beforePrev = 0;
    char m_quote = 0;
    int m_depth = 0;
    qint64 m_blanks = 0;
};

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
        children([&] { return is(item) && kept() && each(); });
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
            out << Entry{attr("eventid"), time("entrytime"), attr("agegroupid"), attr("entrycourse"), attr("marker")};
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
    // Every item kept costs memory, however few bytes its element had: a file of empty elements
    // is refused as damaged before what is kept outgrows the text read, at the element's line.
    bool kept() {
        constexpr qint64 kItemBytes = 256;
        constexpr qint64 kAllowance = 8LL * 1024 * 1024;
        if (++m_kept * kItemBytes <= m_xml.characterOffset() * 5 / 2 + kAllowance)
            return true;
        m_xml.raiseError(QStringLiteral("too many elements for the size of the file"));
        return false;
    }

    QXmlStreamReader& m_xml;
    qint64 m_kept = 0;
};

} // namespace

ReadOutcome readXml(QIODevice& source, const QString& path, Document& document, qint64 limit) {
    document = {};
    BoundedDevice device(source, limit);
    QXmlStreamReader xml(&device);
    // What the device cut short is told before what the parser made of the cut.
    const auto stopped = [&]() -> std::optional<ReadOutcome> {
        document = {};
        switch (device.stop()) {
        case BoundedDevice::Stop::TooLarge:
            return ReadOutcome{false, tooLarge(path)};
        case BoundedDevice::Stop::TooLong:
            return ReadOutcome{false, damagedAt(path, device.runLine())};
        case BoundedDevice::Stop::None:
            break;
        }
        return std::nullopt;
    };
    // Without a LENEX root element the file is something else, not a damaged one.
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("LENEX"))
        return stopped().value_or(ReadOutcome{false, notLenex(path)});
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
    if (device.stop() != BoundedDevice::Stop::None)
        return *stopped();
    for (Meet& meet : document.meets)
        meet.timeStandards = standards;
    if (xml.hasError()) {
        document = {};
        return {false, damagedAt(path, xml.lineNumber())};
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
        return readXml(file, path, document, limit);
    file.close();

    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return {false, notLenex(path)};
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFileInfo64 info;
        if (!zip.getCurrentFileInfo(&info) || !info.name.endsWith(QLatin1String(".lef"), Qt::CaseInsensitive))
            continue;
        // The sizes in the header are the file's word only: readXml counts what comes out.
        QuaZipFile member(&zip);
        if (!member.open(QIODevice::ReadOnly))
            return {false, QStringLiteral("Il file LENEX ") + shown(path) +
                               QStringLiteral(" e' danneggiato: il suo contenuto non si puo' estrarre.")};
        ReadOutcome outcome = readXml(member, path, document, limit);
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
