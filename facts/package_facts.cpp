#include "facts/package_facts.h"

#include "facts/invoice_code.h"
#include "facts/page_facts.h"

#include <utility>
#include <variant>

namespace vellumark {
namespace {

InvoiceKind KindNamed(const std::string& name) {
    for (InvoiceKind kind : {InvoiceKind::kDigitalSpecial, InvoiceKind::kDigitalOrdinary,
                             InvoiceKind::kElectronicSpecial, InvoiceKind::kElectronicOrdinary,
                             InvoiceKind::kToll, InvoiceKind::kOther}) {
        if (name == KindName(kind))
            return kind;
    }
    return InvoiceKind::kUnknown;
}

// Amounts as the listing writes them, "11.20" for "11.2"; other facts as
// they are.
std::string Written(FactField field, const std::string& value) {
    if (field != kFactTotal && field != kFactAmount && field != kFactTax)
        return value;
    const std::string money = TwoDecimals(value);
    return money.empty() ? value : money;
}

}  // namespace

InvoiceFacts WithPackageData(InvoiceFacts page, const ofd::InvoiceData& data) {
    // A package's word never makes an invoice read off its page into
    // something else, nor a toll invoice into an ordinary one.
    if (const InvoiceKind kind = KindNamed(data.kind.value);
        IsInvoice(kind) && page.kind != InvoiceKind::kToll)
        page.kind = kind;
    const std::pair<FactField, const ofd::InvoiceField*> stated[] = {
        {kFactCode, &data.code},        {kFactNumber, &data.number},      {kFactDate, &data.date},
        {kFactTotal, &data.total},      {kFactAmount, &data.amount},      {kFactTax, &data.tax},
        {kFactSeller, &data.seller},    {kFactSellerId, &data.seller_id}, {kFactBuyer, &data.buyer},
        {kFactBuyerId, &data.buyer_id},
    };
    for (const auto& [field, given] : stated) {
        const std::string said = Written(field, given->value);
        std::string& value = page.fields[field];
        if (said.empty() || Written(field, value) == said)
            continue;
        if (!value.empty())
            page.MarkUncertain(field);
        value = said;
    }
    // The page's own rules still hold: no number or amounts on a page that
    // is no invoice, and amounts that do not add up are marked. A page of
    // no known kind is known by its code alone, as a scan is.
    if (page.kind == InvoiceKind::kUnknown)
        return page;
    return CombineFacts(std::move(page), {});
}

InvoiceFacts WithPackageData(const InvoiceRows& rows, int row, InvoiceFacts page) {
    if (rows.Format(row) != InvoiceFormat::kOfd || rows.Page(row) != 1)
        return page;
    auto opened = ofd::OpenOfd(rows.Path(row));
    if (const auto* document = std::get_if<ofd::OfdDocument>(&opened))
        return WithPackageData(std::move(page), document->Invoice());
    return page;
}

void AddPackageData(const InvoiceRows& rows, std::vector<InvoiceFacts>& facts) {
    if (facts.size() != static_cast<std::size_t>(rows.rowCount()))
        return;
    for (int row = 0; row < rows.rowCount(); ++row)
        facts[row] = WithPackageData(rows, row, std::move(facts[row]));
}

}  // namespace vellumark
