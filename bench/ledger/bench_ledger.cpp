// bench_ledger [invoices=100000] [rounds=5] [location]: what the ledger
// costs a merge. Fills a new ledger (an SQLite file in a temporary folder
// unless a location is given) with generated invoices in merges of 1000,
// then times, per round, looking up 1000 invoices (half of them there) and
// recording a merge of 1000 (half of them new). Prints the median and worst
// milliseconds (the target is at most 100 each); asserts nothing.
#include "ledger_fixture.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vellumark;
using Clock = std::chrono::steady_clock;

namespace {

double Millis(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

void Report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-34s median %7.1f ms   worst %7.1f ms\n", what, times[times.size() / 2],
                times.back());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int invoices = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    vellumark::testing::TempDir folder;
    std::string text = argc > 3 ? argv[3] : folder / "ledger.sqlite";
    const auto choice = ledger::ParseLocation(text);
    std::string error = choice.error;
    auto book = choice.location ? ledger::Ledger::Open(*choice.location, error) : nullptr;
    if (!book) {
        std::fprintf(stderr, "bench_ledger: %s\n", error.c_str());
        return 1;
    }
    std::vector<ledger::LedgerRecord> out;
    const auto fill = Clock::now();
    for (int first = 0; first < invoices; first += 1000) {
        if (!book->Record(vellumark::testing::SampleMerge(first, std::min(1000, invoices - first)),
                          out, error)) {
            std::fprintf(stderr, "bench_ledger: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("filled %d invoices in %.1f s (%s)\n", invoices, Millis(fill) / 1000,
                book->location().Text().c_str());
    std::vector<double> lookups, records;
    for (int round = 0; round < rounds; ++round) {
        // Half inside the ledger, half past its end: new each round.
        const int first = invoices - 500 + round * 1000;
        const auto merge = vellumark::testing::SampleMerge(first, 1000);
        auto start = Clock::now();
        bool ok = book->Lookup(vellumark::testing::Keys(merge.entries), out, error);
        lookups.push_back(Millis(start));
        start = Clock::now();
        ok = ok && book->Record(merge, out, error);
        records.push_back(Millis(start));
        if (!ok) {
            std::fprintf(stderr, "bench_ledger: %s\n", error.c_str());
            return 1;
        }
    }
    Report("look up 1000 invoices", lookups);
    Report("record a merge of 1000 invoices", records);
    return 0;
}
