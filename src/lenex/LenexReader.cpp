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

    void meet(Meet& meet) {
        meet.name = attr("name");
        meet.city = attr("city");
        meet.nation = attr("nation");
        meet.course = attr("course");
        meet.deadline = date("deadline");
        meet.maxEntriesAthlete = number("maxentriesathlete");
        children([&] {
            if (is("AGEDATE")) {
                meet.ageDate = date("value");
                meet.ageDateType = attr("type");
            } else if (is("SESSIONS")) {
                children([&] {
                    if (!is("SESSION"))
                        return false;
                    meet.sessions << session();
                    return true;
                });
                return true;
            } else if (is("CLUBS")) {
                children([&] {
                    if (!is("CLUB"))
                        return false;
                    meet.clubs << club();
                    return true;
                });
                return true;
            }
            return false;
        });
    }

    Session session() {
        Session s;
        s.number = number("number");
        s.date = date("date");
        s.course = attr("course");
        children([&] {
            if (!is("EVENTS"))
                return false;
            children([&] {
                if (!is("EVENT"))
                    return false;
                s.events << event();
                return true;
            });
            return true;
        });
        return s;
    }

    Event event() {
        Event e;
        e.id = attr("eventid");
        e.number = number("number");
        e.gender = attr("gender");
        e.round = attr("round");
        children([&] {
            if (is("SWIMSTYLE")) {
                e.style.distance = number("distance");
                e.style.relayCount = number("relaycount", 1);
                e.style.stroke = attr("stroke");
                e.style.name = attr("name");
            } else if (is("AGEGROUPS")) {
                children([&] {
                    if (!is("AGEGROUP"))
                        return false;
                    e.ageGroups << AgeGroup{attr("agegroupid"), number("agemin", -1), number("agemax", -1),
                                            attr("gender"), attr("name")};
                    return false;
                });
                return true;
            }
            return false;
        });
        return e;
    }

    QList<Entry> entries() {
        QList<Entry> out;
        children([&] {
            if (is("ENTRY"))
                out << Entry{attr("eventid"), time("entrytime")};
            return false;
        });
        return out;
    }

    Club club() {
        Club c;
        c.name = attr("name");
        c.code = attr("code");
        c.nation = attr("nation");
        children([&] {
            if (is("ATHLETES")) {
                children([&] {
                    if (!is("ATHLETE"))
                        return false;
                    c.athletes << athlete();
                    return true;
                });
                return true;
            }
            if (is("RELAYS")) {
                children([&] {
                    if (!is("RELAY"))
                        return false;
                    Relay r{number("number", 1), attr("gender"), attr("name"), {}};
                    children([&] {
                        if (!is("ENTRIES"))
                            return false;
                        r.entries = entries();
                        return true;
                    });
                    c.relays << r;
                    return true;
                });
                return true;
            }
            return false;
        });
        return c;
    }

    Athlete athlete() {
        Athlete a;
        a.id = attr("athleteid");
        a.lastName = attr("lastname");
        a.firstName = attr("firstname");
        a.birthDate = date("birthdate");
        a.gender = attr("gender");
        a.license = attr("license");
        children([&] {
            if (is("ENTRIES")) {
                a.entries = entries();
                return true;
            }
            if (is("RESULTS")) {
                children([&] {
                    if (is("RESULT"))
                        a.results << Result{attr("eventid"), time("swimtime"), attr("status")};
                    return false;
                });
                return true;
            }
            return false;
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
    parser.children([&] {
        if (!parser.is("MEETS"))
            return false;
        parser.children([&] {
            if (!parser.is("MEET"))
                return false;
            document.meets << Meet{};
            parser.meet(document.meets.last());
            return true;
        });
        return true;
    });
    if (xml.hasError()) {
        document = {};
        return {false, QStringLiteral("Il file LENEX ") + shown(path) + QStringLiteral(" e' danneggiato (riga ") +
                           QString::number(xml.lineNumber()) + QStringLiteral("): ") + xml.errorString()};
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
    if (course == QLatin1String("LCM"))
        return 50;
    if (course == QLatin1String("SCM") || course == QLatin1String("SCY"))
        return 25;
    return 0;
}

} // namespace onda::lenex
