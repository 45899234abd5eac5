#include "facts/listing.h"

#include "listing_relations.h"
#include "text_scan.h"

#include <algorithm>
#include <array>
#include <map>

namespace vellumark {
namespace {

std::string JoinOrders(const std::vector<int>& orders, const char* separator) {
    std::string text;
    for (const int order : orders) {
        if (!text.empty())
            text += separator;
        text += std::to_string(order);
    }
    return text;
}

const char* KindText(InvoiceKind kind) {
    switch (kind) {
        case InvoiceKind::kDigitalSpecial:
            return "数电专票";
        case InvoiceKind::kDigitalOrdinary:
            return "数电普票";
        case InvoiceKind::kElectronicSpecial:
            return "电子专票";
        case InvoiceKind::kElectronicOrdinary:
            return "电子普票";
        case InvoiceKind::kToll:
            return "通行费";
        case InvoiceKind::kOther:
            return "非发票";
        case InvoiceKind::kUnknown:
            break;
    }
    return "";
}

// A fact as the table shows it: a "?" after a value the two sources
// disagree on.
std::string Shown(const InvoiceFacts& facts, FactField field) {
    const std::string& value = facts.Get(field);
    return value.empty() || !facts.IsUncertain(field) ? value : value + "?";
}

// What the table's last column says about the row's relatives.
std::string RelationText(const ListedInvoice& row) {
    if (row.continuationOf > 0)
        return "续" + std::to_string(row.continuationOf);
    std::string text;
    if (!row.sameInvoice.empty()) {
        const std::string number = row.facts.Get(kFactNumber);
        text = "=" + JoinOrders(row.sameInvoice, ",") +
               (number.empty() ? " (文件相同)" : " (发票号码 " + number + ")");
    }
    if (row.otherFormatOf > 0)
        text += (text.empty() ? "=" : " =") + std::to_string(row.otherFormatOf) + " (另一种格式)";
    return text;
}

std::string OrderOrEmpty(int order, const char* none) {
    return order > 0 ? std::to_string(order) : none;
}

std::string Table(const Listing& listing) {
    constexpr std::size_t kColumns = 15;
    using Line = std::array<std::string, kColumns>;
    std::vector<Line> lines;
    lines.push_back({"序号", "文件名称", "页数", "页高", "页宽", "类型", "发票代码", "发票号码",
                     "开票日期", "价税合计", "销售方", "购买方", "重复", "此前合并", "路径"});
    for (const auto& row : listing.rows) {
        const InvoiceFacts& f = row.facts;
        lines.push_back({std::to_string(row.order), TerminalText(row.name),
                         std::to_string(row.pages), std::to_string(row.height),
                         std::to_string(row.width), KindText(f.kind), Shown(f, kFactCode),
                         Shown(f, kFactNumber), Shown(f, kFactDate), Shown(f, kFactTotal),
                         TerminalText(Shown(f, kFactSeller)), TerminalText(Shown(f, kFactBuyer)),
                         RelationText(row), row.printedBefore, TerminalText(row.path)});
    }
    std::array<int, kColumns> widths{};
    for (const auto& line : lines) {
        for (std::size_t c = 0; c < kColumns; ++c)
            widths[c] = std::max(widths[c], DisplayWidth(line[c]));
    }
    std::string out;
    for (const auto& line : lines) {
        std::string text;
        for (std::size_t c = 0; c < kColumns; ++c) {
            text += line[c];
            if (c + 1 < kColumns)
                text += std::string(static_cast<std::size_t>(widths[c] - DisplayWidth(line[c]) + 2),
                                    ' ');
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        out += text + "\n";
    }
    return out + TerminalText(SummaryText(listing)) + "\n";
}

std::string UncertainNames(const InvoiceFacts& facts, const char* separator) {
    std::string names;
    for (int field = 0; field < kFactFieldCount; ++field) {
        if (facts.IsUncertain(static_cast<FactField>(field)))
            names += (names.empty() ? "" : separator) +
                     std::string(FactFieldName(static_cast<FactField>(field)));
    }
    return names;
}

// With a byte-order mark: spreadsheet programs take the file for UTF-8 only
// with one.
std::string Csv(const Listing& listing) {
    std::string out =
        "\xEF\xBB\xBF"
        "order,name,pages,height,width,path,duplicates,problem,kind";
    for (int field = 0; field < kFactFieldCount; ++field)
        out += std::string(",") + FactFieldName(static_cast<FactField>(field));
    // New columns go last, so that a sheet that reads columns by place
    // still finds the older ones.
    out += ",continuation_of,duplicate_of,uncertain,other_format_of,printed_before\n";
    for (const auto& row : listing.rows) {
        out += std::to_string(row.order) + "," + CsvField(row.name) + "," +
               std::to_string(row.pages) + "," + std::to_string(row.height) + "," +
               std::to_string(row.width) + "," + CsvField(row.path) + "," +
               JoinOrders(row.duplicates, " ") + "," + CsvField(row.problem) + "," +
               KindName(row.facts.kind);
        for (int field = 0; field < kFactFieldCount; ++field)
            out += "," + CsvField(row.facts.Get(static_cast<FactField>(field)));
        out += "," + OrderOrEmpty(row.continuationOf, "") + "," +
               OrderOrEmpty(row.duplicateOf, "") + "," + UncertainNames(row.facts, " ") + "," +
               OrderOrEmpty(row.otherFormatOf, "") + "," + row.printedBefore + "\n";
    }
    // The summary sits under the name and total columns.
    out += "," + CsvField(SummaryText(listing)) + std::string(7 + 1 + kFactTotal, ',') +
           FormatCents(listing.summary.totalCents) +
           std::string(kFactFieldCount - kFactTotal - 1 + 5, ',') + "\n";
    return out;
}

std::string JsonValue(const std::string& text) {
    return text.empty() ? "null" : JsonString(text);
}

std::string JsonRow(const ListedInvoice& row) {
    std::string out =
        "  {\"order\": " + std::to_string(row.order) + ", \"name\": " + JsonString(row.name) +
        ", \"pages\": " + std::to_string(row.pages) +
        ", \"height\": " + std::to_string(row.height) +
        ", \"width\": " + std::to_string(row.width) + ", \"path\": " + JsonString(row.path) +
        ", \"duplicates\": [" + JoinOrders(row.duplicates, ", ") +
        "], \"problem\": " + JsonValue(row.problem) +
        ", \"kind\": " + JsonValue(KindName(row.facts.kind));
    for (int field = 0; field < kFactFieldCount; ++field) {
        out += std::string(", \"") + FactFieldName(static_cast<FactField>(field)) +
               "\": " + JsonValue(row.facts.Get(static_cast<FactField>(field)));
    }
    std::string uncertain = UncertainNames(row.facts, "\", \"");
    out += ", \"continuation_of\": " + OrderOrEmpty(row.continuationOf, "null") +
           ", \"duplicate_of\": " + OrderOrEmpty(row.duplicateOf, "null") +
           ", \"other_format_of\": " + OrderOrEmpty(row.otherFormatOf, "null") +
           ", \"printed_before\": " + JsonValue(row.printedBefore) + ", \"uncertain\": [" +
           (uncertain.empty() ? "" : "\"" + uncertain + "\"") + "]}";
    return out;
}

std::string Json(const Listing& listing) {
    std::string out = "[";
    for (const auto& row : listing.rows)
        out += (out.size() == 1 ? "\n" : ",\n") + JsonRow(row);
    // The last element adds the pile up; rows are the ones with an "order".
    out += std::string(out.size() == 1 ? "\n" : ",\n") +
           "  {\"invoices\": " + std::to_string(listing.summary.invoices) + ", \"total\": \"" +
           FormatCents(listing.summary.totalCents) +
           "\", \"without_total\": " + std::to_string(listing.summary.withoutTotal) +
           ", \"unread\": [" + JoinOrders(listing.unread, ", ") + "]}\n]\n";
    return out;
}

// The invoices read whole (a number and a total) are counted and added up;
// every other page that has the marks of an invoice is named apart, so that
// the sum never hides what it lacks. Continuations and repeats are neither.
void AddUp(Listing& listing, const std::vector<InvoiceFacts>& facts,
           const std::vector<PageRelation>& relations) {
    listing.summary = {};
    for (std::size_t i = 0; i < listing.rows.size(); ++i) {
        const PageRelation& relation = relations[i];
        if (FullyRead(facts[i], relation)) {
            ++listing.summary.invoices;
            listing.summary.totalCents += CentsOf(facts[i].Get(kFactTotal)).value_or(0);
        } else if (relation.continuationOf < 0 && relation.duplicateOf < 0 &&
                   !(listing.rows[i].format == InvoiceFormat::kOfd &&
                     relation.otherFormatOf >= 0) &&
                   listing.rows[i].problem.empty() && LooksLikeInvoice(facts[i])) {
            listing.unread.push_back(listing.rows[i].order);
        }
    }
    listing.summary.withoutTotal = static_cast<int>(listing.unread.size());
}

}  // namespace

Listing BuildListing(const InvoiceRows& rows, const std::vector<InvoiceFacts>& facts) {
    Listing listing;
    std::vector<std::string> paths, relatePaths;
    std::vector<bool> ofdRows;
    for (int row = 0; row < rows.rowCount(); ++row) {
        ListedInvoice invoice;
        invoice.order = rows.Order(row);
        invoice.path = rows.Path(row);
        const std::size_t slash = invoice.path.find_last_of('/');
        const std::string file = invoice.path.substr(slash == std::string::npos ? 0 : slash + 1);
        invoice.name = file.substr(0, file.find_last_of('.'));
        invoice.pages = rows.Pages(row);
        invoice.height = static_cast<int>(rows.HeightMm(row));
        invoice.width = static_cast<int>(rows.WidthMm(row));
        invoice.problem = rows.Note(row).toStdString();
        if (static_cast<std::size_t>(row) < facts.size())
            invoice.facts = facts[static_cast<std::size_t>(row)];
        // The pages of one OFD share its file: each is named and related as
        // the split page of that file it stands for.
        const bool ofd = rows.Format(row) == InvoiceFormat::kOfd;
        invoice.format = rows.Format(row);
        if (ofd)
            invoice.name = rows.Cell(row, kColumnName).toStdString();
        listing.rows.push_back(std::move(invoice));
        paths.push_back(listing.rows.back().path);
        relatePaths.push_back(
            ofd ? paths.back() + "(第" + std::to_string(rows.Page(row)) + "页).pdf" : paths.back());
        ofdRows.push_back(ofd);
    }
    std::vector<InvoiceFacts> all;
    for (const auto& row : listing.rows)
        all.push_back(row.facts);
    std::vector<int> groups = IdenticalFileGroups(paths);
    // Bytes say nothing of one page of an OFD: its pages share the file.
    for (std::size_t i = 0; i < groups.size(); ++i)
        groups[i] = ofdRows[i] ? -1 : groups[i];
    const std::vector<PageRelation> relations =
        RelatePages(relatePaths, FactsToRelate(relatePaths, all), groups, ofdRows);
    const auto orderOf = [&](int row) { return listing.rows[static_cast<std::size_t>(row)].order; };
    for (std::size_t i = 0; i < listing.rows.size(); ++i) {
        ListedInvoice& row = listing.rows[i];
        for (std::size_t j = 0; j < listing.rows.size(); ++j) {
            if (j != i && groups[i] >= 0 && groups[j] == groups[i])
                row.duplicates.push_back(listing.rows[j].order);
        }
        const PageRelation& r = relations[i];
        row.continuationOf = r.continuationOf >= 0 ? orderOf(r.continuationOf) : 0;
        row.duplicateOf = r.duplicateOf >= 0 ? orderOf(r.duplicateOf) : 0;
        row.otherFormatOf = r.otherFormatOf >= 0 ? orderOf(r.otherFormatOf) : 0;
        for (const int other : r.sameInvoice)
            row.sameInvoice.push_back(orderOf(other));
        if (r.continuationOf >= 0)
            for (FactField money : {kFactTotal, kFactAmount, kFactTax})
                row.facts.fields[money].clear();
    }
    AddUp(listing, all, relations);
    return listing;
}

std::vector<bool> PlacedFromPdf(const Listing& listing) {
    std::map<int, bool> twins;  // by order: an OFD page whose invoice a PDF holds
    for (const ListedInvoice& row : listing.rows)
        twins[row.order] = row.format == InvoiceFormat::kOfd && row.otherFormatOf > 0;
    const auto twin = [&twins](int order) {
        const auto found = twins.find(order);
        return found != twins.end() && found->second;
    };
    std::vector<bool> placed(listing.rows.size(), false);
    for (std::size_t i = 0; i < listing.rows.size(); ++i) {
        const ListedInvoice& row = listing.rows[i];
        placed[i] =
            row.format == InvoiceFormat::kOfd && (twin(row.order) || twin(row.continuationOf));
    }
    return placed;
}

std::string SummaryText(const Listing& listing) {
    std::string text =
        SummaryText(PileSummary{listing.summary.invoices, listing.summary.totalCents, 0});
    if (listing.unread.empty())
        return text;
    std::string names;
    for (const int order : listing.unread) {
        const auto row = std::find_if(listing.rows.begin(), listing.rows.end(),
                                      [order](const ListedInvoice& r) { return r.order == order; });
        if (row != listing.rows.end())
            names += (names.empty() ? "" : "、") + row->name;
    }
    return text + "；另有 " + std::to_string(listing.unread.size()) + " 张未能读出金额：" + names;
}

std::string SummaryText(const PileSummary& summary) {
    std::string text = "共 " + std::to_string(summary.invoices) + " 张发票，价税合计 " +
                       FormatCents(summary.totalCents) + " 元";
    if (summary.withoutTotal > 0)
        text += "（其中 " + std::to_string(summary.withoutTotal) + " 张未能读出金额，未计入）";
    return text;
}

std::string FormatListing(const Listing& listing, ListFormat format) {
    switch (format) {
        case ListFormat::kCsv:
            return Csv(listing);
        case ListFormat::kJson:
            return Json(listing);
        case ListFormat::kTable:
            break;
    }
    return Table(listing);
}

}  // namespace vellumark
