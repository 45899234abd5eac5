#include "ledger_text.h"

#include <QDateTime>

#include <algorithm>
#include <array>

namespace vellumark::cli {
namespace {

const char* KindText(const std::string& kind) {
    static const std::pair<const char*, const char*> names[] = {{"digital_special", "数电专票"},
                                                                {"digital_ordinary", "数电普票"},
                                                                {"e_special", "电子专票"},
                                                                {"e_ordinary", "电子普票"},
                                                                {"toll", "通行费"},
                                                                {"other", "非发票"}};
    for (const auto& [key, text] : names)
        if (kind == key)
            return text;
    return "";
}

// Yuan with up to two decimals as cents; false for anything else.
bool ParseCents(const std::string& text, std::int64_t& cents) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = text.substr(negative ? 1 : 0);
    const std::size_t dot = digits.find('.');
    const std::string whole = digits.substr(0, dot);
    std::string part = dot == std::string::npos ? "" : digits.substr(dot + 1);
    if (whole.empty() || whole.size() > 15 || part.size() > 2)
        return false;
    part.resize(2, '0');
    cents = 0;
    for (const char c : whole + part) {
        if (c < '0' || c > '9')
            return false;
        cents = cents * 10 + (c - '0');
    }
    cents = negative ? -cents : cents;
    return true;
}

std::string FormatCents(std::int64_t cents) {
    const std::uint64_t magnitude =
        cents < 0 ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
    const std::string fraction = std::to_string(100 + magnitude % 100).substr(1);
    return (cents < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." + fraction;
}

PileSummary Sum(const std::vector<ledger::LedgerRecord>& records) {
    PileSummary summary;
    for (const auto& record : records) {
        std::int64_t cents = 0;
        ++summary.invoices;
        if (ParseCents(record.invoice.total, cents))
            summary.totalCents += cents;
        else
            ++summary.withoutTotal;
    }
    return summary;
}

// The values of a record in the order of the CSV and JSON keys.
constexpr std::array<const char*, 19> kKeys = {
    "merged_at", "kind",    "code",      "number", "date",     "total",     "amount",
    "tax",       "seller",  "seller_id", "buyer",  "buyer_id", "file_name", "fingerprint",
    "output",    "printed", "printer",   "user",   "machine"};

std::array<std::string, 19> Values(const ledger::LedgerRecord& r) {
    const ledger::InvoiceEntry& e = r.invoice;
    const std::string when =
        QDateTime::fromSecsSinceEpoch(r.mergedAt).toString(Qt::ISODate).toStdString();
    return {when,       e.kind,        e.key.code, e.key.number,
            e.date,     e.total,       e.amount,   e.tax,
            e.seller,   e.sellerId,    e.buyer,    e.buyerId,
            e.fileName, e.fingerprint, r.output,   r.printed ? "true" : "false",
            r.printer,  r.user,        r.machine};
}

std::string Csv(const std::vector<ledger::LedgerRecord>& records, const PileSummary& summary) {
    std::string out = "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < kKeys.size(); ++i)
        out += (i ? "," : "") + std::string(kKeys[i]);
    out += "\n";
    for (const auto& record : records) {
        const auto values = Values(record);
        for (std::size_t i = 0; i < values.size(); ++i)
            out += (i ? "," : "") + CsvField(values[i]);
        out += "\n";
    }
    // The summary sits under the merge time and total columns.
    return out + CsvField(SummaryText(summary)) + ",,,,," + FormatCents(summary.totalCents) +
           std::string(kKeys.size() - 6, ',') + "\n";
}

std::string Json(const std::vector<ledger::LedgerRecord>& records, const PileSummary& summary) {
    std::string out = "[";
    for (const auto& record : records) {
        const auto values = Values(record);
        out += (out.size() == 1 ? "\n  {" : ",\n  {");
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string key = kKeys[i];
            const std::string value = key == "printed"    ? values[i]
                                      : values[i].empty() ? "null"
                                                          : JsonString(values[i]);
            out += (i ? ", \"" : "\"") + key + "\": " + value;
        }
        out += "}";
    }
    return out + (out.size() == 1 ? "\n" : ",\n") +
           "  {\"invoices\": " + std::to_string(summary.invoices) + ", \"total\": \"" +
           FormatCents(summary.totalCents) +
           "\", \"without_total\": " + std::to_string(summary.withoutTotal) + "}\n]\n";
}

std::string Table(const std::vector<ledger::LedgerRecord>& records, const PileSummary& summary) {
    using Line = std::array<std::string, 11>;
    std::vector<Line> lines = {{"合并时间", "类型", "发票代码", "发票号码", "开票日期", "价税合计",
                                "销售方", "文件名称", "合并文件", "打印机", "用户"}};
    for (const auto& r : records) {
        const ledger::InvoiceEntry& e = r.invoice;
        lines.push_back({MergedAtText(r.mergedAt), KindText(e.kind), e.key.code, e.key.number,
                         e.date, e.total, TerminalText(e.seller), TerminalText(e.fileName),
                         TerminalText(r.output), r.printed ? TerminalText(r.printer) : "未打印",
                         TerminalText(r.user)});
    }
    std::array<int, 11> widths{};
    for (const auto& line : lines)
        for (std::size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(line[c]));
    std::string out;
    for (const auto& line : lines) {
        std::string text;
        for (std::size_t c = 0; c < line.size(); ++c)
            text +=
                line[c] +
                std::string(static_cast<std::size_t>(widths[c] - DisplayWidth(line[c]) + 2), ' ');
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        out += text + "\n";
    }
    return out + SummaryText(summary) + "\n";
}

}  // namespace

std::string MergedAtText(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm"))
        .toStdString();
}

std::string RecordLine(const ledger::LedgerRecord& record) {
    const ledger::InvoiceEntry& e = record.invoice;
    return "发票号码 " + e.key.number + (e.key.code.empty() ? "" : "（代码 " + e.key.code + "）") +
           "：合并于 " + MergedAtText(record.mergedAt) + "，文件 " + TerminalText(record.output) +
           "，用户 " + TerminalText(record.user);
}

std::string FormatLedger(const std::vector<ledger::LedgerRecord>& records, ListFormat format) {
    const PileSummary summary = Sum(records);
    switch (format) {
        case ListFormat::kCsv:
            return Csv(records, summary);
        case ListFormat::kJson:
            return Json(records, summary);
        case ListFormat::kTable:
            break;
    }
    return Table(records, summary);
}

}  // namespace vellumark::cli
