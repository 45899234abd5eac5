#include "listing_relations.h"

#include "text_scan.h"

#include <map>
#include <optional>
#include <utility>

namespace vellumark {
namespace {

struct SplitPage {
    std::string source;  // the folder and "NAME" of "NAME(第N页).pdf"
    int page = 0;
};

std::optional<SplitPage> SplitPageOf(const std::string& path) {
    static const std::string kOpen = "(第", kClose = "页).pdf";
    if (path.size() < kClose.size() ||
        path.compare(path.size() - kClose.size(), kClose.size(), kClose) != 0)
        return std::nullopt;
    const std::size_t open = path.rfind(kOpen);
    if (open == std::string::npos)
        return std::nullopt;
    const std::size_t digits = open + kOpen.size(), end = path.size() - kClose.size();
    if (digits >= end || end - digits > 6)
        return std::nullopt;
    for (std::size_t i = digits; i < end; ++i) {
        if (path[i] < '0' || path[i] > '9')
            return std::nullopt;
    }
    return SplitPage{path.substr(0, open), std::stoi(path.substr(digits, end - digits))};
}

// The same invoice: the same number, and the same code where the page
// repeats one.
bool Repeats(const InvoiceFacts& page, const InvoiceFacts& invoice) {
    return page.Get(kFactNumber) == invoice.Get(kFactNumber) &&
           (page.Get(kFactCode).empty() || page.Get(kFactCode) == invoice.Get(kFactCode));
}

}  // namespace

std::vector<InvoiceFacts> FactsToRelate(const std::vector<std::string>& paths,
                                        std::vector<InvoiceFacts> facts) {
    std::map<std::string, std::map<int, std::size_t>> sources;
    for (std::size_t row = 0; row < paths.size() && row < facts.size(); ++row) {
        if (const auto split = SplitPageOf(paths[row]))
            sources[split->source][split->page] = row;
    }
    for (const auto& [source, pages] : sources) {
        std::optional<std::size_t> invoice;
        for (const auto& [page, row] : pages) {
            InvoiceFacts& f = facts[row];
            if (!f.HasIdentity())
                continue;
            if (!invoice || !Repeats(f, facts[*invoice])) {
                invoice = row;
                continue;
            }
            for (FactField field : {kFactCode, kFactNumber, kFactTotal, kFactAmount, kFactTax})
                f.fields[field].clear();
        }
    }
    return facts;
}

bool LooksLikeInvoice(const InvoiceFacts& facts) {
    if (IsInvoice(facts.kind))
        return true;
    if (facts.kind != InvoiceKind::kUnknown)
        return false;
    for (FactField field : {kFactCode, kFactNumber, kFactTotal, kFactAmount, kFactTax}) {
        if (!facts.Get(field).empty())
            return true;
    }
    return false;
}

bool FullyRead(const InvoiceFacts& facts, const PageRelation& relation) {
    return relation.counted && facts.HasIdentity() && CentsOf(facts.Get(kFactTotal)).has_value();
}

}  // namespace vellumark
