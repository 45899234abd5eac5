// Another program using the same ledger: "record LOCATION FIRST COUNT"
// records the sample invoices FIRST .. FIRST + COUNT - 1 as one merge and
// prints how many were already there.
#include "ledger_fixture.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace vellumark;
    QCoreApplication application(argc, argv);
    if (argc != 5 || std::string(argv[1]) != "record")
        return 2;
    const ledger::LocationChoice choice = ledger::ParseLocation(argv[2]);
    std::string error = choice.error;
    std::unique_ptr<ledger::Ledger> ledger;
    if (choice.location)
        ledger = ledger::Ledger::Open(*choice.location, error);
    std::vector<ledger::LedgerRecord> already;
    if (!ledger ||
        !ledger->Record(vellumark::testing::SampleMerge(std::stoi(argv[3]), std::stoi(argv[4])),
                        already, error)) {
        std::printf("error %s\n", error.c_str());
        return 1;
    }
    std::printf("already %zu\n", already.size());
    return 0;
}
