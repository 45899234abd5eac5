// vellumark-cli ledger: what the ledger of printed invoices holds, and
// taking invoices out of it again.
#include "commands.h"
#include "facts/listing.h"
#include "ledger/ledger.h"
#include "ledger_text.h"

#include <QDate>
#include <QDateTime>

namespace vellumark::cli {
namespace {

// Midnight at the start of a local day, in seconds since the epoch.
std::optional<std::int64_t> DayStart(const std::string& text, int plusDays) {
    const QDate day = QDate::fromString(QString::fromStdString(text), Qt::ISODate);
    if (!day.isValid())
        return std::nullopt;
    return day.addDays(plusDays).startOfDay().toSecsSinceEpoch();
}

int List(ledger::Ledger& book, const Arguments& arguments) {
    const LedgerRequest& request = arguments.ledgerRequest;
    ledger::ListFilter filter;
    filter.seller = request.seller;
    for (const auto& [text, bound, plus] : {std::tuple{&request.since, &filter.since, 0},
                                            std::tuple{&request.until, &filter.until, 1}}) {
        if (text->empty())
            continue;
        *bound = DayStart(*text, plus);
        if (!*bound) {
            ErrorLine("没有这一天：" + *text);
            return kExitBadArguments;
        }
    }
    std::vector<ledger::LedgerRecord> records;
    std::string error;
    if (!book.List(filter, records, error)) {
        ErrorLine("无法读取台账：" + error);
        return kExitFailed;
    }
    Print(FormatLedger(records, arguments.format));
    return kExitSuccess;
}

int Forget(ledger::Ledger& book, const LedgerRequest& request) {
    std::vector<ledger::LedgerRecord> removed;
    std::string error;
    const bool done = request.output ? book.ForgetOutput(*request.output, removed, error)
                                     : book.Forget(request.numbers, removed, error);
    if (!done) {
        ErrorLine("未能从台账删除：" + error);
        return kExitFailed;
    }
    for (const auto& record : removed)
        Print("已从台账删除：" + RecordLine(record) + "\n");
    if (removed.empty()) {
        ErrorLine(request.output ? "台账中没有合并到 " + *request.output + " 的发票"
                                 : std::string("台账中没有这些发票号码"));
        return kExitFailed;
    }
    Print("共删除 " + std::to_string(removed.size()) + " 张发票\n");
    return kExitSuccess;
}

int Where(ledger::Ledger& book) {
    ledger::LedgerSummary summary;
    std::string error;
    if (!book.Where(summary, error)) {
        ErrorLine("无法读取台账：" + error);
        return kExitFailed;
    }
    Print("台账：" + TerminalText(summary.location) + "\n共 " + std::to_string(summary.invoices) +
          " 张发票\n");
    return kExitSuccess;
}

int Repair(const ledger::Location& location) {
    std::string error;
    const std::string aside = ledger::Ledger::Repair(location, error);
    if (!aside.empty())
        Print("损坏的台账已另存为 " + TerminalText(aside) + "\n");
    if (!error.empty()) {
        ErrorLine("未能修复台账：" + error);
        return kExitFailed;
    }
    Print("已新建台账 " + TerminalText(location.Text()) + "\n");
    return kExitSuccess;
}

}  // namespace

int RunLedger(const Arguments& arguments) {
    const ledger::LocationChoice choice = ledger::ChooseLocation(arguments.ledger);
    if (!choice.location) {
        ErrorLine(choice.error);
        return kExitBadArguments;
    }
    const LedgerRequest& request = arguments.ledgerRequest;
    if (request.action == LedgerRequest::Action::kRepair)
        return Repair(*choice.location);
    std::string error;
    std::unique_ptr<ledger::Ledger> book = ledger::Ledger::Open(*choice.location, error);
    if (!book) {
        ErrorLine("无法打开台账：" + error);
        return kExitFailed;
    }
    switch (request.action) {
        case LedgerRequest::Action::kForget:
            return Forget(*book, request);
        case LedgerRequest::Action::kWhere:
            return Where(*book);
        case LedgerRequest::Action::kList:
        case LedgerRequest::Action::kRepair:
            break;
    }
    return List(*book, arguments);
}

}  // namespace vellumark::cli
