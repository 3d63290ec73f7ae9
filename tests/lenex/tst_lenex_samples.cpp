// Real files of meet software: each read; a meet imported as a competition that holds the file's
// events; one registration per event through the registration flow, saved, and checked against
// the invitation by an independent reader; best times of a results file as that reader counts them.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"

#include "core/AppState.h"
#include "core/Settings.h"
#include "entry/RegistrationBook.h"
#include "entry/RegistrationFlow.h"
#include "lenex/LenexFlows.h"
#include "lenex/LenexReader.h"
#include "lenex/SwimCodes.h"
#include "store/DataSource.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace onda;
using namespace onda::lenex;
using namespace Qt::StringLiterals;

namespace {

QByteArray python(const QStringList& arguments, QByteArray* errors = nullptr) {
    QProcess p;
    p.start(u"python3"_s, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qWarning() << p.readAllStandardError() << p.readAllStandardOutput();
    if (errors)
        *errors = p.readAllStandardError();
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray("failed");
}

QString sample(const char* name) {
    return QStringLiteral(ONDA_LENEX_SAMPLES "/") + QLatin1String(name);
}

} // namespace

class TestLenexSamples : public QObject, private RegistrationFlow::Port {
    Q_OBJECT
    QTemporaryDir m_settings;
    std::unique_ptr<FixtureDb> m_db;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppState> m_state;

    void showCategoryList() override { QFAIL("no category should be missing"); }
    QStringList rows(const QString& sql) { return QVariant(m_db->column(sql)).toStringList(); }

    // One athlete of each category and sex registered on the first race of every event.
    void registerEveryEvent(const QString& number) {
        DataSource nprg{u"nprg"_s}, grid{u"nprgSupp"_s}, natl{u"natl"_s}, records{u"Records"_s};
        for (DataSource* source : {&nprg, &grid, &natl, &records})
            source->setDatabaseFile(m_db->path());
        Competition c;
        c.number = number;
        c.name = u"Invito"_s;
        for (const QString& row : rows(u"select sesso || '|' || Categoria || '|' || AnnoIni || '|' || AnnoFin || "
                                       "'|$' from categorie where manifID="_s +
                                       number + u" order by rowid"_s))
            c.categoriesText += row;
        m_state->setCompetition(c);
        RegistrationBook book(*m_state, nprg, grid, natl, records);
        book.load();
        RegistrationFlow flow(*m_state, m_dialogs, book, static_cast<Port&>(*this));
        flow.open();
        const QStringList races =
            rows(u"select r.gara || '|' || r.Categoria || '|' || r.Sesso || '|' || c.AnnoFin "
                 "from LenexRace r join categorie c on c.manifID=r.manifID and "
                 "c.Categoria=r.Categoria and c.sesso=r.Sesso where r.manifID="_s +
                 number + u" and r.rowid in (select min(rowid) from LenexRace group by eventid)"_s);
        QVERIFY(!races.isEmpty());
        QHash<QString, QString> athleteOf; // category|sex -> code
        for (const QString& line : races) {
            const QStringList f = line.split('|');
            const QString key = f.at(1) + '|' + f.at(2);
            if (!athleteOf.contains(key)) {
                athleteOf.insert(key, QString::number(600000 + athleteOf.size()));
                QVERIFY(m_db->insertRows(u"natl"_s, {u"codatl"_s, u"nome"_s, u"anno"_s, u"soc"_s, u"sesso"_s},
                                         {{athleteOf.value(key), u"ATLETA %1"_s.arg(athleteOf.size()),
                                           std::min(f.at(3).toInt(), 2020), u"ABC"_s, f.at(2)}}));
            }
            RegistrationForm form;
            form.codeEntry = form.code = athleteOf.value(key);
            form.name = rows(u"select nome from natl where codatl="_s + form.code).value(0);
            form.sex = f.at(2);
            form.year = QString::number(std::min(f.at(3).toInt(), 2020));
            form.category = f.at(1);
            form.race = f.at(0);
            form.time = u"1:00.00"_s;
            form.raceLines = flow.setAthlete(form).raceLines.value_or(QStringList());
            // A time the invitation's standards refuse is entered on Yes.
            const QString verdict = flow.standardLine(form);
            const bool asks = verdict.contains(u"non r"_s);
            if (asks)
                m_dialogs.queueYesNo(Dialogs::Answer::Yes);
            flow.registerAthlete(form);
            QCOMPARE(m_dialogs.takeTexts(),
                     asks ? QStringList{verdict + u". Vuoi iscrivere lo stesso?"_s} : QStringList());
        }
        QCOMPARE(rows(u"select count(*) from nprg"_s + number).value(0).toInt(), races.size());
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path()); }
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
        m_state = std::make_unique<AppState>(m_dialogs);
        m_state->databasePath = m_db->path();
        m_state->store.setDatabasePath(m_db->path());
        m_state->club = u"ABC"_s;
        setLenexClub(u"ABC"_s, u"Nuoto ABC"_s, u"ITA"_s);
    }
    void cleanup() {
        QVERIFY2(m_dialogs.problems().isEmpty(), qPrintable(m_dialogs.problems()));
        m_dialogs.reset();
    }

    void meets_data() {
        QTest::addColumn<QString>("file");
        for (const char* name : {"example-entries.lxf", "example-startlist.lxf", "example-results.lxf",
                                 "example-records.lxf", "16032025_Erlangen_lenex3_results.lxf", "lxf_gesamt.lxf"})
            QTest::newRow(name) << sample(name);
    }
    void meets() {
        QFETCH(QString, file);
        Document document;
        const ReadOutcome read = readFile(file, document);
        QVERIFY2(read.ok, qPrintable(read.message));
        const QJsonArray events = QJsonDocument::fromJson(python({QStringLiteral(ONDA_LENEX_READER), file}))
                                      .object()
                                      .value("events")
                                      .toArray();
        QCOMPARE(document.meets.isEmpty() ? 0 : document.meets.first().eventCount(), int(events.size()));
        if (events.isEmpty())
            return; // the record lists: no meet to import
        int entryEvents = 0;
        QStringList expected;
        for (const QJsonValue& v : events) {
            const QJsonArray e = v.toArray();
            entryEvents += e.at(8).toBool();
            expected << u"%1|%2|%3|%4|%5|%6|%7|%8"_s.arg(e.at(0).toString())
                            .arg(e.at(1).toInt())
                            .arg(e.at(2).toString())
                            .arg(e.at(3).toInt())
                            .arg(e.at(4).toInt())
                            .arg(e.at(5).toString(), e.at(6).toString())
                            .arg(e.at(7).toInt());
        }

        m_dialogs.queueOpenFileNames({file});
        ImportLenexInvitation(*m_state);
        QVERIFY(m_dialogs.takeTexts().value(1).contains(u"creata con il numero 900000"_s));
        QCOMPARE(rows(u"select e.eventid || '|' || e.number || '|' || ifnull(e.gender, 'A') || '|' || e.distance || "
                      "'|' || e.relaycount || '|' || e.stroke || '|' || ifnull(e.technique, '') || '|' || (select "
                      "count(*) from LenexAgeGroup g where g.manifID=e.manifID and g.eventid=e.eventid) from "
                      "LenexEvent e where manifID=900000 order by position"_s),
                 expected);
        QCOMPARE(rows(u"select count(distinct eventid) from LenexRace where manifID=900000"_s).value(0).toInt(),
                 entryEvents);

        registerEveryEvent(u"900000"_s);
        const QString path = m_db->filePath(u"entries.lxf"_s);
        m_dialogs.queueSaveFileName(path);
        // Every deadline of these files has passed: saving asks first.
        const bool late = !m_db->column(u"select deadline from LenexMeet where manifID=900000"_s).value(0).isNull();
        if (late)
            m_dialogs.queueYesNo(Dialogs::Answer::Yes);
        SaveEntriesAsLenex(*m_state);
        QCOMPARE(m_dialogs.takeTexts().value(late ? 2 : 1),
                 u"File LENEX registrato in "_s + QDir::toNativeSeparators(path));
        QByteArray said;
        QCOMPARE(python({QStringLiteral(ONDA_LENEX_CHECK), path, file}, &said).trimmed(), QByteArray());
        QVERIFY2(said.contains(u" on %1 events of the invitation"_s.arg(entryEvents).toUtf8()), said.constData());
    }

    void bestTimes_data() {
        QTest::addColumn<QString>("file");
        for (const char* name : {"example-results.lxf", "16032025_Erlangen_lenex3_results.lxf", "lxf_gesamt.lxf"})
            QTest::newRow(name) << sample(name);
    }
    void bestTimes() {
        QFETCH(QString, file);
        const QJsonObject counted = QJsonDocument::fromJson(python({QStringLiteral(ONDA_LENEX_READER), file})).object();
        const QString club = counted.value("club").toObject().value("code").toString();
        // The club's athletes in the archive under codes of ours, found by name and year.
        QList<QVariantList> athletes;
        const QJsonArray listed = counted.value("athletes").toArray();
        for (qsizetype i = 0; i < listed.size(); ++i) {
            const QJsonArray a = listed.at(i).toArray();
            athletes << QVariantList{700000 + i, (a.at(0).toString() + ' ' + a.at(1).toString()).toUpper(),
                                     a.at(2).toInt(), club, u"M"_s};
        }
        QVERIFY(m_db->insertRows(u"natl"_s, {u"codatl"_s, u"nome"_s, u"anno"_s, u"soc"_s, u"sesso"_s}, athletes));
        m_state->club = club;
        setLenexClub(club, counted.value("club").toObject().value("name").toString(), u"GER"_s);
        m_dialogs.queueOpenFileNames({file});
        ImportLenexResults(*m_state);
        const QString said = m_dialogs.takeTexts().value(1);
        QVERIFY2(said.startsWith(u"Letti "_s) && !said.contains(u"non trovati"_s), qPrintable(said));

        QStringList expected;
        for (const QJsonValue& v : counted.value("best").toArray()) {
            const QJsonArray b = v.toArray();
            expected << u"%1|%2|%3|%4|%5|%6"_s.arg(700000 + b.at(0).toInt())
                            .arg(b.at(1).toInt())
                            .arg(b.at(2).toString(), b.at(3).toString(), b.at(4).toString())
                            .arg(b.at(5).toInt());
        }
        QStringList stored;
        for (const QString& row : rows(u"select Codatl || '|' || Gara || '|' || Corso || '|' || Tempo from Tempi"_s)) {
            const QStringList f = row.split('|');
            const SwimStyle s = styleOfRace(f.at(1));
            const QString stroke = s.stroke == "UNKNOWN"_L1 ? u"UNKNOWN:"_s + f.at(1) : s.stroke;
            stored << u"%1|%2|%3|%4|%5|%6"_s.arg(f.at(0)).arg(s.distance).arg(stroke, s.technique, f.at(2), f.at(3));
        }
        expected.sort();
        stored.sort();
        QCOMPARE(stored, expected);
    }
};

QTEST_GUILESS_MAIN(TestLenexSamples)
#include "tst_lenex_samples.moc"
