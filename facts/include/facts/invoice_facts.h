// What one listed page says about the invoice it is: kind, code, number,
// date, amounts, seller and buyer. A field that could not be read is empty;
// nothing is guessed.
#pragma once

#include <string>

namespace vellumark {

enum class InvoiceKind {
    kUnknown,             // nothing could be read
    kDigitalSpecial,      // 电子发票（增值税专用发票）
    kDigitalOrdinary,     // 电子发票（普通发票）
    kElectronicSpecial,   // 增值税电子专用发票
    kElectronicOrdinary,  // 增值税电子普通发票
    kToll,                // a toll invoice or toll bill
    kOther,               // an itinerary, a summary, a folio: not an invoice
};

// "digital_special", "digital_ordinary", "e_special", "e_ordinary", "toll",
// "other"; empty for kUnknown.
const char* KindName(InvoiceKind kind);
// True for the kinds that are invoices (counted and added up).
bool IsInvoice(InvoiceKind kind);

enum FactField : int {
    kFactCode,
    kFactNumber,
    kFactDate,    // YYYY-MM-DD
    kFactTotal,   // 价税合计, yuan with two decimals
    kFactAmount,  // before tax
    kFactTax,
    kFactSeller,
    kFactSellerId,
    kFactBuyer,
    kFactBuyerId,
    kFactFieldCount,
};

// The field's key in the listing: "code", "number", ..., "buyer_id".
const char* FactFieldName(FactField field);

struct InvoiceFacts {
    InvoiceKind kind = InvoiceKind::kUnknown;
    std::string fields[kFactFieldCount];  // UTF-8
    // Fields the QR code and the text layer give differently, or that were
    // read where no label says what they are.
    unsigned uncertain = 0;

    const std::string& Get(FactField field) const { return fields[field]; }
    bool IsUncertain(FactField field) const { return (uncertain >> field) & 1u; }
    void MarkUncertain(FactField field) { uncertain |= 1u << field; }
    // An invoice is known by its number (with its code, where it has one).
    bool HasIdentity() const { return !fields[kFactNumber].empty(); }
    std::string Identity() const { return fields[kFactCode] + "/" + fields[kFactNumber]; }
};

}  // namespace vellumark
