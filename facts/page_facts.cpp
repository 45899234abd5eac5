#include "facts/page_facts.h"

#include "facts/code_search.h"
#include "facts/text_facts.h"
#include "text_scan.h"

#include <QLoggingCategory>

namespace vellumark {
namespace {

Q_LOGGING_CATEGORY(lcFacts, "vellumark.facts")

void Agree(InvoiceFacts& facts, FactField field, const std::string& fromCode) {
    std::string& value = facts.fields[field];
    if (fromCode.empty())
        return;
    if (!value.empty() && value != fromCode)
        facts.MarkUncertain(field);
    value = fromCode;
}

bool SameMoney(const std::string& a, const std::string& b) {
    const auto x = CentsOf(a), y = CentsOf(b);
    return x && y && *x == *y;
}

// An older invoice's code that carries the total where the amount before
// tax belongs (some issuers write it so) confirms the total instead of
// contradicting the amount: the text's total is that figure, or its amount
// and tax add up to it.
CodeFacts WithTotalInItsPlace(const InvoiceFacts& facts, CodeFacts code) {
    const auto figure = CentsOf(code.amount), amount = CentsOf(facts.Get(kFactAmount)),
               tax = CentsOf(facts.Get(kFactTax)), total = CentsOf(facts.Get(kFactTotal));
    if (!code.total.empty() || !figure || !amount || *figure == *amount)
        return code;
    if ((total && *total == *figure) || (tax && *amount + *tax == *figure)) {
        code.total = code.amount;
        code.amount.clear();
    }
    return code;
}

// Without a total anywhere, the amount before tax from the code and the tax
// add up to it; it was not read, so it is marked.
void TotalFromParts(InvoiceFacts& facts, const CodeFacts& code) {
    const auto amount = CentsOf(code.amount), tax = CentsOf(facts.Get(kFactTax));
    if (!facts.Get(kFactTotal).empty() || !amount || !tax)
        return;
    facts.fields[kFactTotal] = FormatCents(*amount + *tax);
    facts.MarkUncertain(kFactTotal);
}

void CheckMoney(InvoiceFacts& facts, const CodeFacts& read) {
    const CodeFacts code = WithTotalInItsPlace(facts, read);
    std::string& total = facts.fields[kFactTotal];
    // A total read without its label is confirmed by the code's.
    if (SameMoney(total, code.total))
        facts.uncertain &= ~(1u << kFactTotal);
    Agree(facts, kFactTotal, code.total);
    Agree(facts, kFactAmount, code.amount);
    Agree(facts, kFactTax, code.tax);
    const bool fromParts = total.empty() && !code.amount.empty();
    TotalFromParts(facts, code);
    const auto t = CentsOf(total), a = CentsOf(facts.Get(kFactAmount)),
               x = CentsOf(facts.Get(kFactTax));
    if (t && a && x && *a + *x != *t) {
        facts.MarkUncertain(kFactAmount);
        facts.MarkUncertain(kFactTax);
    }
    if (fromParts)
        return;
    // A total read without its label is confirmed when the amount before
    // tax and the tax add up to it, or by a code's amount where there is no
    // tax.
    const bool codeHasMoney = !code.total.empty() || !code.amount.empty();
    if (t && a && x && *a + *x == *t && codeHasMoney)
        facts.uncertain &= ~(1u << kFactTotal);
    if (t && a && !x && *a == *t && !code.amount.empty())
        facts.uncertain &= ~(1u << kFactTotal);
}

}  // namespace

InvoiceFacts CombineFacts(InvoiceFacts facts, const CodeFacts& code) {
    const InvoiceKind textKind = facts.kind;
    if (code.kind != InvoiceKind::kUnknown)
        facts.kind = code.kind;
    // A toll invoice's code names it an ordinary electronic invoice.
    if (textKind == InvoiceKind::kToll)
        facts.kind = InvoiceKind::kToll;
    if (code.Valid()) {
        Agree(facts, kFactCode, code.code);
        Agree(facts, kFactNumber, code.number);
        Agree(facts, kFactDate, code.date);
    }
    // A page without text (a scan) whose code names an invoice is known by
    // its code alone.
    if (textKind == InvoiceKind::kUnknown && facts.kind == InvoiceKind::kUnknown && code.Valid()) {
        CheckMoney(facts, code);
        return facts;
    }
    // An itinerary or a summary names the invoice it belongs to and repeats
    // its amounts; neither is this page's own. A document whose own code
    // names it (an air itinerary) keeps what it says of itself.
    if (!IsInvoice(facts.kind) && !(code.Valid() && code.kind == InvoiceKind::kOther)) {
        for (FactField field : {kFactCode, kFactNumber, kFactTotal, kFactAmount, kFactTax})
            facts.fields[field].clear();
        facts.uncertain = 0;
        return facts;
    }
    CheckMoney(facts, code);
    return facts;
}

InvoiceFacts FactsOfRender(const pdfax::RenderedImage& render) {
    return CombineFacts(ReadTextFacts(render.text), ParseInvoiceCode(render.code));
}

std::vector<InvoiceFacts> ReadFacts(PdfLibrary& pdf, const std::vector<std::string>& paths,
                                    const std::function<bool()>& cancelled) {
    std::vector<pdfax::RenderJob> jobs(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        jobs[i].input = paths[i];
        jobs[i].format = pdfax::kImageFormatNone;
        jobs[i].dpi = kFactsRenderDpi;
    }
    return ReadFacts(pdf, std::move(jobs), cancelled, nullptr);
}

std::vector<InvoiceFacts> ReadFacts(PdfLibrary& pdf, std::vector<pdfax::RenderJob> jobs,
                                    const std::function<bool()>& cancelled,
                                    std::vector<pdfax::RenderedImage>* renders) {
    for (pdfax::RenderJob& job : jobs) {
        job.readFacts = true;
        job.codes = InvoiceCodeSearch();
    }
    std::vector<InvoiceFacts> facts(jobs.size());
    if (renders)
        renders->assign(jobs.size(), pdfax::RenderedImage{});
    bool stopped = false;
    const int rendered = pdf.RenderPagesToFiles(
        jobs, 0,
        [&](int index, const pdfax::RenderedImage& image) {
            const auto at = static_cast<std::size_t>(index);
            facts[at] = FactsOfRender(image);
            if (renders) {
                (*renders)[at] = image;
                std::vector<pdfax::TextGlyph>().swap((*renders)[at].text);
            }
            stopped = cancelled && cancelled();
            return !stopped;
        },
        [&] { return stopped || (cancelled && cancelled()); });
    stopped = stopped || (cancelled && cancelled());
    if (rendered < 0)
        qCWarning(lcFacts) << "facts not read:" << QString::fromStdString(pdf.LastError().detail);
    return stopped ? std::vector<InvoiceFacts>() : facts;
}

}  // namespace vellumark
