// LENEX at the size of a large meet (1x) and ten times that: a results file of 800 athletes
// with 4,000 results and their splits (about 2 MB), and an invitation of 300 events. Each read next to a bare pass of
// Qt's XML stream reader over the same bytes, and the whole results import into the club's
// database, medians of several runs.

#include "BenchTable.h"

#include "lenex/LenexData.h"
#include "lenex/LenexReader.h"
#include "lenex/LenexWriter.h"
#include "lenex/SwimCodes.h"
#include "store/Database.h"
#include "store/Store.h"
#include "store/Transaction.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace onda;
using namespace onda::lenex;

namespace {

// At 1x; ten times each at 10x.
int kAthletes = 800;
constexpr int kResultsEach = 5;
int kEvents = 300;
constexpr int kRuns = 7;

const char* const kStrokes[] = {"FREE", "BACK", "BREAST", "FLY", "MEDLEY"};

void writeEvents(QXmlStreamWriter& xml, int count) {
    xml.writeStartElement(QStringLiteral("SESSIONS"));
    xml.writeStartElement(QStringLiteral("SESSION"));
    xml.writeAttribute(QStringLiteral("number"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("date"), QStringLiteral("2026-03-12"));
    xml.writeStartElement(QStringLiteral("EVENTS"));
    for (int e = 1; e <= count; ++e) {
        xml.writeStartElement(QStringLiteral("EVENT"));
        xml.writeAttribute(QStringLiteral("eventid"), QString::number(e));
        xml.writeAttribute(QStringLiteral("number"), QString::number(e));
        xml.writeAttribute(QStringLiteral("gender"), e % 2 ? QStringLiteral("M") : QStringLiteral("F"));
        xml.writeEmptyElement(QStringLiteral("SWIMSTYLE"));
        xml.writeAttribute(QStringLiteral("distance"), QString::number(50 << (e % 4)));
        xml.writeAttribute(QStringLiteral("relaycount"), QStringLiteral("1"));
        xml.writeAttribute(QStringLiteral("stroke"), QLatin1String(kStrokes[e % 5]));
        xml.writeStartElement(QStringLiteral("AGEGROUPS"));
        for (int g = 0; g < 4; ++g) {
            xml.writeEmptyElement(QStringLiteral("AGEGROUP"));
            xml.writeAttribute(QStringLiteral("agegroupid"), QString::number(g + 1));
            xml.writeAttribute(QStringLiteral("agemin"), QString::number(10 + 2 * g));
            xml.writeAttribute(QStringLiteral("agemax"), QString::number(11 + 2 * g));
        }
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
}

QByteArray lenexFile(int events, bool withResults) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("LENEX"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("3.0"));
    xml.writeStartElement(QStringLiteral("MEETS"));
    xml.writeStartElement(QStringLiteral("MEET"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("Campionati"));
    xml.writeAttribute(QStringLiteral("city"), QStringLiteral("Roma"));
    xml.writeAttribute(QStringLiteral("nation"), QStringLiteral("ITA"));
    xml.writeAttribute(QStringLiteral("course"), QStringLiteral("LCM"));
    writeEvents(xml, events);
    if (withResults) {
        xml.writeStartElement(QStringLiteral("CLUBS"));
        xml.writeStartElement(QStringLiteral("CLUB"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("ABC"));
        xml.writeAttribute(QStringLiteral("code"), QStringLiteral("ABC"));
        xml.writeStartElement(QStringLiteral("ATHLETES"));
        int resultId = 0;
        for (int a = 0; a < kAthletes; ++a) {
            xml.writeStartElement(QStringLiteral("ATHLETE"));
            xml.writeAttribute(QStringLiteral("athleteid"), QString::number(a + 1));
            xml.writeAttribute(QStringLiteral("lastname"), QStringLiteral("ATLETA"));
            xml.writeAttribute(QStringLiteral("firstname"), QString::number(a));
            xml.writeAttribute(QStringLiteral("birthdate"), QStringLiteral("2010-01-01"));
            xml.writeAttribute(QStringLiteral("gender"), QStringLiteral("M"));
            xml.writeAttribute(QStringLiteral("license"), QString::number(100000 + a));
            xml.writeStartElement(QStringLiteral("RESULTS"));
            for (int r = 0; r < kResultsEach; ++r) {
                xml.writeStartElement(QStringLiteral("RESULT"));
                xml.writeAttribute(QStringLiteral("resultid"), QString::number(++resultId));
                xml.writeAttribute(QStringLiteral("eventid"), QString::number((a + r * 7) % events + 1));
                xml.writeAttribute(QStringLiteral("swimtime"), formatSwimTime(3000 + (a * 37 + r * 101) % 9000));
                xml.writeStartElement(QStringLiteral("SPLITS"));
                for (int s = 1; s <= 8; ++s) {
                    xml.writeEmptyElement(QStringLiteral("SPLIT"));
                    xml.writeAttribute(QStringLiteral("distance"), QString::number(25 * s));
                    xml.writeAttribute(QStringLiteral("swimtime"), formatSwimTime(400 * s + a % 50));
                }
                xml.writeEndElement();
                xml.writeEndElement();
            }
            xml.writeEndElement();
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

double medianMs(const std::function<void()>& work) {
    return bench::medianMs(kRuns, work);
}

qint64 barePass(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes);
    qint64 n = 0;
    while (!xml.atEnd())
        n += xml.readNext();
    return n;
}

void readPass(const QByteArray& bytes, Document& document) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    if (!readXml(buffer, QStringLiteral("bench.lef"), document).ok)
        std::fprintf(stderr, "bench_lenex: file not read\n");
}

struct Figures {
    double bareResults, readResults, bareInvitation, readInvitation, firstImport, import;
};

Figures measure(int factor) {
    kAthletes = 800 * factor;
    kEvents = 300 * factor;
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("ONDA.mdb"));
    Store store;
    store.setDatabasePath(database);
    {
        Database db;
        if (!db.open(database, true) || !store.ensureDatabase()) {
            std::fprintf(stderr, "bench_lenex: database not created\n");
            return {};
        }
        QList<QVariantList> athletes;
        for (int a = 0; a < kAthletes; ++a)
            athletes << QVariantList{100000 + a, QStringLiteral("ATLETA %1").arg(a), 2010, QStringLiteral("ABC")};
        Transaction t(db);
        if (!db.insertRows(
                QStringLiteral("natl"),
                {QStringLiteral("codatl"), QStringLiteral("nome"), QStringLiteral("anno"), QStringLiteral("soc")},
                athletes) ||
            !t.commit()) {
            std::fprintf(stderr, "bench_lenex: athletes not written\n");
            return {};
        }
    }

    Figures f{};
    const QByteArray results = lenexFile(40, true);
    const QByteArray invitation = lenexFile(kEvents, false);
    Document document;
    f.bareResults = medianMs([&] { barePass(results); });
    f.readResults = medianMs([&] { readPass(results, document); });
    f.bareInvitation = medianMs([&] { barePass(invitation); });
    f.readInvitation = medianMs([&] { readPass(invitation, document); });

    const QString file = dir.filePath(QStringLiteral("risultati.lxf"));
    readPass(results, document);
    if (!writeArchive(document, file).isEmpty()) {
        std::fprintf(stderr, "bench_lenex: results file not written\n");
        return {};
    }
    ResultsSummary summary;
    const auto importOnce = [&] {
        Document read;
        summary = {};
        if (!readFile(file, read).ok ||
            !importResults(database, read, {QStringLiteral("ABC"), {}, QStringLiteral("ITA")}, summary))
            std::fprintf(stderr, "bench_lenex: results not imported\n");
    };
    const auto start = std::chrono::steady_clock::now();
    importOnce(); // every best time is new: all rows written
    f.firstImport = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    f.import = medianMs(importOnce); // the same file again: nothing better, nothing written
    std::printf("%dx: results file %.1f MB (%d athletes, %d results), invitation of %d events; "
                "import of %d times of %d athletes\n",
                factor, results.size() / 1048576.0, kAthletes, kAthletes * kResultsEach, kEvents, summary.times,
                int(summary.athletes.size()));
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Figures one = measure(1), ten = measure(10);
    bench::printHeading("LENEX files against a bare pass of Qt's XML reader");
    const bench::Aim reader{2, 0, true};
    bench::printLine({"results file read", "", "", reader}, one.readResults, ten.readResults, one.bareResults,
                     ten.bareResults);
    bench::printLine({"invitation read", "", "", reader}, one.readInvitation, ten.readInvitation, one.bareInvitation,
                     ten.bareInvitation);
    // Importing has no bare twin: its aim is a time, under 300 ms at 1x and growing as the file.
    std::printf("results import: first %.2f / %.2f ms, again %.2f / %.2f ms at 1x / 10x (aim < 300 ms at 1x)\n",
                one.firstImport, ten.firstImport, one.import, ten.import);
    return 0;
}
