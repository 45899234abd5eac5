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

void CheckMoney(InvoiceFacts& facts, const CodeFacts& code) {
    std::string& total = facts.fields[kFactTotal];
    std::string& amount = facts.fields[kFactAmount];
    const std::string& tax = facts.fields[kFactTax];
    if (!code.amount.empty()) {
        if (code.amountIsTotal) {
            // A total read without its label is confirmed by the code's.
            if (SameMoney(total, code.amount))
                facts.uncertain &= ~(1u << kFactTotal);
            Agree(facts, kFactTotal, code.amount);
        } else {
            Agree(facts, kFactAmount, code.amount);
        }
    }
    const auto t = CentsOf(total), a = CentsOf(amount), x = CentsOf(tax);
    if (t && a && x && *a + *x != *t) {
        facts.MarkUncertain(kFactAmount);
        facts.MarkUncertain(kFactTax);
    }
    // A total read without its label is confirmed when the amount before
    // tax and the tax add up to it.
    if (t && a && x && *a + *x == *t && facts.IsUncertain(kFactTotal) && !code.amount.empty())
        facts.uncertain &= ~(1u << kFactTotal);
    if (t && a && !x && *a == *t && !code.amount.empty() && !code.amountIsTotal)
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
    if (!IsInvoice(facts.kind)) {
        // An itinerary or a summary names the invoice it belongs to and
        // repeats its amounts; neither is this page's own.
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
