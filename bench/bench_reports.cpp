// Report output for the club's registrations of the shared competition (2,000 at 1x, 20,000
// at 10x, among 50,000 and 500,000): the report text and both files, each next to bare SQLite
// reading the same rows.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "reports/ReportText.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

using namespace onda;

struct Outputs {
    QTemporaryDir dir;
    QString view; // the database the reports read
    ReportHeading heading{bench::kClub, bench::kCompetition, QStringLiteral("Trofeo"), QStringLiteral("01/05/2024")};

    explicit Outputs(const benchmark::State& state) : view(bench::Fixture::at(int(state.range(0))).path) {}
};

void BM_BareClubRows(benchmark::State& state) {
    bench::BareReader bare(bench::Fixture::at(int(state.range(0))).path);
    for (auto _ : state)
        bare.read("select * from nprg57 where soc='ABC' order by soc, nome");
}

void BM_ReportText(benchmark::State& state) {
    Outputs f(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(buildReport(ReportForm::Printed, f.view, f.heading));
}

void saveFile(benchmark::State& state, ReportForm form, const QString& name) {
    Outputs f(state);
    const QString path = f.dir.filePath(name);
    for (auto _ : state) {
        if (!writeReportFile(path, buildReport(form, f.view, f.heading)))
            state.SkipWithError("file not written");
    }
}

void BM_SpreadsheetFile(benchmark::State& state) {
    saveFile(state, ReportForm::Spreadsheet, QStringLiteral("iscrizioni.xls"));
}

void BM_TextFile(benchmark::State& state) {
    saveFile(state, ReportForm::TextFile, QStringLiteral("qvasca.txt"));
}

ONDA_SIZED(BM_BareClubRows, 5);
ONDA_SIZED(BM_ReportText, 5);
ONDA_SIZED(BM_SpreadsheetFile, 5);
ONDA_SIZED(BM_TextFile, 5);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bench::Aim outputs{3, 0, true};
    bench::runAndPrint(argc, argv, "Reports of the club's registrations",
                       {{"report text", "BM_ReportText", "BM_BareClubRows", outputs},
                        {"spreadsheet file", "BM_SpreadsheetFile", "BM_BareClubRows", outputs},
                        {"text file", "BM_TextFile", "BM_BareClubRows", outputs}});
    return 0;
}
