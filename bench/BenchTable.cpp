#include "BenchTable.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

void Medians::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.aggregate_name == "median")
            m_medians[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
    }
}

double Medians::at(const std::string& function, int factor) const {
    const auto found = m_medians.find(function + "/" + std::to_string(factor));
    return found == m_medians.end() ? 0 : found->second;
}

namespace {

// What is missed of the aim, empty when all is met or nothing can be said.
std::string missed(const Aim& aim, double p1, double p10, double b1, double b10) {
    std::string out;
    const auto add = [&out](const char* what) { out += out.empty() ? what : std::string(", ") + what; };
    if (aim.tenfoldMs > 0 && p10 > aim.tenfoldMs)
        add("10x over the time");
    if ((b1 > 0 && p1 > aim.ratio * b1) || (b10 > 0 && p10 > aim.ratio * b10))
        add("ratio");
    if (aim.growth && p1 > 0 && b1 > 0 && b10 > 0 && p10 / p1 > 1.2 * (b10 / b1))
        add("growth");
    return out;
}

} // namespace

void printHeading(const char* title) {
    std::printf("\n%s (medians in ms)\n", title);
    std::printf("%-40s %9s %9s %9s %9s %7s %7s %7s %7s  %s\n", "interaction", "1x", "10x", "bare 1x", "bare 10x",
                "ratio1", "ratio10", "growth", "bare gr", "aims");
}

bool printLine(const Line& line, double p1, double p10, double b1, double b10) {
    const auto ratio = [](double a, double b) { return a > 0 && b > 0 ? a / b : 0.0; };
    const std::string miss = missed(line.aim, p1, p10, b1, b10);
    char ratioText[16];
    std::snprintf(ratioText, sizeof ratioText, "%g", line.aim.ratio);
    std::string aims = std::string("<=") + ratioText + "x bare";
    if (line.aim.tenfoldMs > 0)
        aims += ", <=" + std::to_string(int(line.aim.tenfoldMs)) + " ms";
    if (line.aim.growth)
        aims += ", growth";
    std::printf("%-40s %9.2f %9.2f %9.2f %9.2f %7.2f %7.2f %7.2f %7.2f  %s: %s\n", line.interaction.c_str(), p1, p10,
                b1, b10, ratio(p1, b1), ratio(p10, b10), ratio(p10, p1), ratio(b10, b1), aims.c_str(),
                miss.empty() ? "met" : ("MISSED " + miss).c_str());
    std::fflush(stdout);
    return miss.empty();
}

int runAndPrint(int& argc, char** argv, const char* title, const std::vector<Line>& lines) {
    benchmark::Initialize(&argc, argv);
    Medians medians;
    benchmark::RunSpecifiedBenchmarks(&medians);
    benchmark::Shutdown();
    printHeading(title);
    int misses = 0;
    for (const Line& line : lines) {
        if (!printLine(line, medians.at(line.program, 1), medians.at(line.program, 10), medians.at(line.bare, 1),
                       medians.at(line.bare, 10)))
            ++misses;
    }
    return misses;
}

void printMemory(const char* when, double aimMb) {
    QFile rollup(QStringLiteral("/proc/self/smaps_rollup"));
    long rss = 0, pss = 0;
    if (rollup.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words.size() >= 2 && words[0] == "Rss:")
                rss = words[1].toLong();
            else if (words.size() >= 2 && words[0] == "Pss:")
                pss = words[1].toLong();
        }
    }
    std::printf("%-40s VmRSS %7.1f MB  Pss %7.1f MB", when, rss / 1024.0, pss / 1024.0);
    if (aimMb > 0)
        std::printf("  (aim <= %.0f MB: %s)", aimMb, rss / 1024.0 <= aimMb ? "met" : "MISSED");
    std::printf("\n");
    std::fflush(stdout);
}

double medianMs(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace bench
