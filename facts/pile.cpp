#include "facts/pile.h"

#include "text_scan.h"

#include <map>
#include <optional>

namespace vellumark {
namespace {

struct PageName {
    std::string folder, stem;  // "NAME" of "NAME(第2页).pdf", with its folder
    int page = 0;
};

// The name the split gives the pages of "NAME.pdf": "NAME(第N页).pdf".
std::optional<PageName> SplitPageName(const std::string& path) {
    static const std::string kOpen = "(第", kClose = "页).pdf";
    if (path.size() < kClose.size() ||
        path.compare(path.size() - kClose.size(), kClose.size(), kClose) != 0)
        return std::nullopt;
    const std::size_t open = path.rfind(kOpen);
    const std::size_t digits = open + kOpen.size(), end = path.size() - kClose.size();
    if (open == std::string::npos || digits >= end || end - digits > 6)
        return std::nullopt;
    for (std::size_t i = digits; i < end; ++i) {
        if (path[i] < '0' || path[i] > '9')
            return std::nullopt;
    }
    const std::size_t slash = path.rfind('/', open);
    PageName name;
    name.folder = slash == std::string::npos ? "" : path.substr(0, slash);
    name.stem = path.substr(slash == std::string::npos ? 0 : slash + 1, open - (slash + 1));
    name.page = std::stoi(path.substr(digits, end - digits));
    return name;
}

void FindContinuations(const std::vector<std::string>& paths,
                       const std::vector<InvoiceFacts>& facts,
                       std::vector<PageRelation>& relations) {
    // Rows of each split source, by page number.
    std::map<std::pair<std::string, std::string>, std::map<int, int>> sources;
    for (std::size_t row = 0; row < paths.size(); ++row) {
        if (const auto name = SplitPageName(paths[row]))
            sources[{name->folder, name->stem}][name->page] = static_cast<int>(row);
    }
    for (const auto& [source, pages] : sources) {
        int invoiceRow = -1;
        for (const auto& [page, row] : pages) {
            if (facts[static_cast<std::size_t>(row)].HasIdentity())
                invoiceRow = row;
            else if (invoiceRow >= 0)
                relations[static_cast<std::size_t>(row)].continuationOf = invoiceRow;
        }
    }
}

}  // namespace

std::vector<PageRelation> RelatePages(const std::vector<std::string>& paths,
                                      const std::vector<InvoiceFacts>& facts,
                                      const std::vector<int>& identicalGroups,
                                      const std::vector<bool>& ofdRows) {
    std::vector<PageRelation> relations(paths.size());
    FindContinuations(paths, facts, relations);
    const auto ofd = [&ofdRows](std::size_t row) { return row < ofdRows.size() && ofdRows[row]; };
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (relations[i].continuationOf >= 0)
            continue;
        for (std::size_t j = 0; j < paths.size(); ++j) {
            if (i == j || relations[j].continuationOf >= 0)
                continue;
            const bool sameNumber = facts[i].HasIdentity() && facts[j].HasIdentity() &&
                                    facts[i].Identity() == facts[j].Identity();
            const bool sameBytes =
                identicalGroups[i] >= 0 && identicalGroups[i] == identicalGroups[j];
            if (!sameNumber && !sameBytes)
                continue;
            // The platform issues each invoice as PDF and as OFD: downloading
            // both is no repeat, and which of them is placed is not left to
            // the list order.
            if (ofd(i) != ofd(j)) {
                if (relations[i].otherFormatOf < 0)
                    relations[i].otherFormatOf = static_cast<int>(j);
                continue;
            }
            relations[i].sameInvoice.push_back(static_cast<int>(j));
            relations[i].byteIdentical = relations[i].byteIdentical || (sameBytes && !sameNumber);
            if (j < i && relations[i].duplicateOf < 0)
                relations[i].duplicateOf = static_cast<int>(j);
        }
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const PageRelation& r = relations[i];
        relations[i].counted = r.continuationOf < 0 && r.duplicateOf < 0 &&
                               !(ofd(i) && r.otherFormatOf >= 0) && IsInvoice(facts[i].kind);
    }
    return relations;
}

PileSummary Summarise(const std::vector<InvoiceFacts>& facts,
                      const std::vector<PageRelation>& relations) {
    PileSummary summary;
    for (std::size_t i = 0; i < facts.size(); ++i) {
        if (!relations[i].counted)
            continue;
        ++summary.invoices;
        if (const auto cents = CentsOf(facts[i].Get(kFactTotal)))
            summary.totalCents += *cents;
        else
            ++summary.withoutTotal;
    }
    return summary;
}

}  // namespace vellumark
