#pragma once

#include <functional>

// Runs the benchmarks, keeps each median by name and size, and prints the table every
// benchmark ends with: the program and its bare baseline at 1x and 10x, their ratio, and how
// each grows from 1x to 10x, against the aims.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

// Each benchmark takes the size factor as its argument and reports medians only.
#define ONDA_SIZED(fn, repetitions)                                                                                    \
    BENCHMARK(fn)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Repetitions(repetitions)->ReportAggregatesOnly(true)
// For an interaction that costs a fresh set-up each time: one iteration per repetition.
#define ONDA_SIZED_ONCE(fn, repetitions) ONDA_SIZED(fn, repetitions)->Iterations(1)

namespace bench {

struct Aim {
    double ratio = 3;       // to the baseline, at both sizes
    double tenfoldMs = 100; // at 10x; 0 for none
    bool growth = true;     // grows at most as the baseline plus 20 %
};

struct Line {
    Line(std::string what, std::string ours, std::string baseline, Aim aims = {})
        : interaction(std::move(what)), program(std::move(ours)), bare(std::move(baseline)), aim(aims) {}
    std::string interaction;
    std::string program; // benchmark function names
    std::string bare;
    Aim aim;
};

class Medians : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // Milliseconds; 0 when the benchmark did not run at that size.
    double at(const std::string& function, int factor) const;

private:
    std::map<std::string, double> m_medians;
};

// Runs the benchmarks the command line selects and prints the table; returns the number of aims missed.
int runAndPrint(int& argc, char** argv, const char* title, const std::vector<Line>& lines);

// The same table for figures measured by hand (in ms, 0 when not measured).
void printHeading(const char* title);
bool printLine(const Line& line, double program1, double program10, double bare1, double bare10);

// VmRSS and the proportional set size of this process, from the kernel.
void printMemory(const char* when, double aimMb = 0);
// The median of `runs` timings of `work`, in milliseconds.
double medianMs(int runs, const std::function<void()>& work);

} // namespace bench
