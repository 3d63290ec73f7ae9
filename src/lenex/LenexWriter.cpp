#include "lenex/LenexWriter.h"

#include "lenex/SwimCodes.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamWriter>

namespace onda::lenex {

namespace {

class Writer {
public:
    explicit Writer(QByteArray& out) : m_xml(&out) { m_xml.setAutoFormatting(true); }

    void document(const Document& d) {
        m_xml.writeStartDocument(QStringLiteral("1.0"));
        m_xml.writeStartElement(QStringLiteral("LENEX"));
        m_xml.writeAttribute(QStringLiteral("version"), d.version.isEmpty() ? QStringLiteral("3.0") : d.version);
        m_xml.writeStartElement(QStringLiteral("CONSTRUCTOR"));
        attr("name", d.constructor.name);
        attr("registration", d.constructor.registration);
        attr("version", d.constructor.version);
        m_xml.writeEmptyElement(QStringLiteral("CONTACT"));
        attr("email", d.constructor.email);
        m_xml.writeEndElement();
        m_xml.writeStartElement(QStringLiteral("MEETS"));
        for (const Meet& m : d.meets)
            meet(m);
        m_xml.writeEndElement();
        m_xml.writeEndElement();
        m_xml.writeEndDocument();
    }

private:
    // Required attributes are written even when empty; `optional` ones only with a value.
    void attr(const char* name, const QString& value, bool optional = false) {
        if (!optional || !value.isEmpty())
            m_xml.writeAttribute(QLatin1String(name), value);
    }
    void attr(const char* name, int value) { m_xml.writeAttribute(QLatin1String(name), QString::number(value)); }
    void date(const char* name, const QDate& value) {
        if (value.isValid())
            m_xml.writeAttribute(QLatin1String(name), value.toString(Qt::ISODate));
    }

    void meet(const Meet& m) {
        m_xml.writeStartElement(QStringLiteral("MEET"));
        attr("name", m.name);
        attr("city", m.city);
        attr("nation", m.nation);
        attr("course", m.course, true);
        date("deadline", m.deadline);
        attr("deadlinetime", m.deadlineTime, true);
        if (m.maxEntriesAthlete > 0)
            attr("maxentriesathlete", m.maxEntriesAthlete);
        if (m.maxEntriesRelay > 0)
            attr("maxentriesrelay", m.maxEntriesRelay);
        if (m.ageDate.isValid()) {
            m_xml.writeEmptyElement(QStringLiteral("AGEDATE"));
            attr("type", m.ageDateType.isEmpty() ? QStringLiteral("YEAR") : m.ageDateType);
            date("value", m.ageDate);
        }
        m_xml.writeStartElement(QStringLiteral("SESSIONS"));
        for (const Session& s : m.sessions) {
            m_xml.writeStartElement(QStringLiteral("SESSION"));
            attr("number", s.number);
            date("date", s.date);
            attr("course", s.course, true);
            attr("name", s.name, true);
            if (s.maxEntriesAthlete > 0)
                attr("maxentriesathlete", s.maxEntriesAthlete);
            if (s.maxEntriesRelay > 0)
                attr("maxentriesrelay", s.maxEntriesRelay);
            m_xml.writeStartElement(QStringLiteral("EVENTS"));
            for (const Event& e : s.events)
                event(e);
            m_xml.writeEndElement();
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
        m_xml.writeStartElement(QStringLiteral("CLUBS"));
        for (const Club& c : m.clubs)
            club(c);
        m_xml.writeEndElement();
        m_xml.writeEndElement();
    }

    void event(const Event& e) {
        m_xml.writeStartElement(QStringLiteral("EVENT"));
        attr("eventid", e.id);
        attr("number", e.number);
        attr("gender", e.gender, true);
        attr("round", e.round, true);
        if (!e.takesEntries())
            attr("preveventid", e.previousId);
        m_xml.writeEmptyElement(QStringLiteral("SWIMSTYLE"));
        attr("distance", e.style.distance);
        attr("relaycount", e.style.relayCount);
        attr("stroke", e.style.stroke);
        attr("name", e.style.name, true);
        attr("technique", e.style.technique, true);
        attr("swimstyleid", e.style.id, true);
        attr("code", e.style.code, true);
        if (!e.ageGroups.isEmpty()) {
            m_xml.writeStartElement(QStringLiteral("AGEGROUPS"));
            for (const AgeGroup& g : e.ageGroups) {
                m_xml.writeEmptyElement(QStringLiteral("AGEGROUP"));
                attr("agegroupid", g.id);
                attr("agemin", g.ageMin);
                attr("agemax", g.ageMax);
                attr("gender", g.gender, true);
                attr("name", g.name, true);
                attr("calculate", g.calculate, true);
                attr("handicap", g.handicap, true);
            }
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
    }

    void entries(const QList<Entry>& list) {
        if (list.isEmpty())
            return;
        m_xml.writeStartElement(QStringLiteral("ENTRIES"));
        for (const Entry& e : list) {
            m_xml.writeEmptyElement(QStringLiteral("ENTRY"));
            attr("eventid", e.eventId);
            attr("entrytime", formatSwimTime(e.time));
            attr("agegroupid", e.ageGroupId, true);
            attr("entrycourse", e.time > 0 ? e.course : QString(), true);
            attr("marker", e.marker, true);
        }
        m_xml.writeEndElement();
    }

    void results(const QList<Result>& list) {
        if (list.isEmpty())
            return;
        m_xml.writeStartElement(QStringLiteral("RESULTS"));
        for (const Result& r : list) {
            m_xml.writeEmptyElement(QStringLiteral("RESULT"));
            attr("resultid", ++m_resultId);
            attr("eventid", r.eventId);
            attr("swimtime", formatSwimTime(r.time));
            attr("status", r.status, true);
        }
        m_xml.writeEndElement();
    }

    void club(const Club& c) {
        m_xml.writeStartElement(QStringLiteral("CLUB"));
        attr("name", c.name);
        attr("code", c.code, true);
        attr("nation", c.nation, true);
        if (!c.athletes.isEmpty()) {
            m_xml.writeStartElement(QStringLiteral("ATHLETES"));
            for (const Athlete& a : c.athletes) {
                m_xml.writeStartElement(QStringLiteral("ATHLETE"));
                attr("athleteid", a.id);
                attr("lastname", a.lastName);
                attr("firstname", a.firstName);
                date("birthdate", a.birthDate);
                attr("gender", a.gender);
                attr("license", a.license, true);
                entries(a.entries);
                results(a.results);
                m_xml.writeEndElement();
            }
            m_xml.writeEndElement();
        }
        if (!c.relays.isEmpty()) {
            m_xml.writeStartElement(QStringLiteral("RELAYS"));
            for (const Relay& r : c.relays) {
                m_xml.writeStartElement(QStringLiteral("RELAY"));
                attr("number", r.number);
                attr("gender", r.gender);
                attr("agemin", r.ageMin);
                attr("agemax", r.ageMax);
                attr("agetotalmin", r.ageTotalMin);
                attr("agetotalmax", r.ageTotalMax);
                attr("name", r.name, true);
                entries(r.entries);
                m_xml.writeEndElement();
            }
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
    }

    QXmlStreamWriter m_xml;
    int m_resultId = 0; // unique over the file
};

} // namespace

QByteArray writeXml(const Document& document) {
    QByteArray out;
    Writer(out).document(document);
    return out;
}

QString writeArchive(const Document& document, const QString& path) {
    const QString failed = QStringLiteral("Impossibile scrivere il file ") + QDir::toNativeSeparators(path);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    {
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate))
            return failed;
        QuaZipFile member(&zip);
        const QString name = QFileInfo(path).completeBaseName() + QStringLiteral(".lef");
        if (!member.open(QIODevice::WriteOnly, QuaZipNewInfo(name)))
            return failed;
        const QByteArray xml = writeXml(document);
        const bool written = member.write(xml) == xml.size();
        member.close();
        zip.close();
        if (!written || member.getZipError() != ZIP_OK || zip.getZipError() != ZIP_OK)
            return failed;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(buffer.data()) != buffer.size() || !file.commit())
        return failed + QStringLiteral(": ") + file.errorString() + QStringLiteral(". Il file non e' stato scritto.");
    return {};
}

} // namespace onda::lenex
