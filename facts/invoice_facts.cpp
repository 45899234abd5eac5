#include "facts/invoice_facts.h"

namespace vellumark {

const char* KindName(InvoiceKind kind) {
    switch (kind) {
        case InvoiceKind::kDigitalSpecial:
            return "digital_special";
        case InvoiceKind::kDigitalOrdinary:
            return "digital_ordinary";
        case InvoiceKind::kElectronicSpecial:
            return "e_special";
        case InvoiceKind::kElectronicOrdinary:
            return "e_ordinary";
        case InvoiceKind::kToll:
            return "toll";
        case InvoiceKind::kOther:
            return "other";
        case InvoiceKind::kUnknown:
            break;
    }
    return "";
}

bool IsInvoice(InvoiceKind kind) {
    return kind != InvoiceKind::kUnknown && kind != InvoiceKind::kOther;
}

const char* FactFieldName(FactField field) {
    static constexpr const char* kNames[kFactFieldCount] = {
        "code", "number", "date",      "total", "amount",
        "tax",  "seller", "seller_id", "buyer", "buyer_id"};
    return field >= 0 && field < kFactFieldCount ? kNames[field] : "";
}

}  // namespace vellumark
