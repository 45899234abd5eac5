// The facts an invoice's QR code carries.
#pragma once

#include "facts/invoice_facts.h"

#include <string>

namespace vellumark {

struct CodeFacts {
    InvoiceKind kind = InvoiceKind::kUnknown;  // from the invoice type, when it names one
    std::string code, number, date;
    std::string amount;  // two decimals
    bool amountIsTotal =
        false;  // fully digital invoices carry the total, older ones the amount before tax

    bool Valid() const { return !number.empty(); }
};

// Reads "01,<type>,<code>,<number>,<amount>,<yyyymmdd>,<check>,<hash>" or a
// verification address with the code and number as path parts or query
// values (the amount there in cents). Anything else, such as an
// advertisement's link, gives no facts.
CodeFacts ParseInvoiceCode(const std::string& text);

// "759" and "759.0" as "759.00"; empty for text that is not an amount.
std::string TwoDecimals(const std::string& amount);

}  // namespace vellumark
