// The facts an invoice's QR code carries.
#pragma once

#include "facts/invoice_facts.h"

#include <string>

namespace vellumark {

// Amounts are yuan with two decimals, each only where the code says what it
// is: a code's amount whose meaning is not known is left out.
struct CodeFacts {
    InvoiceKind kind = InvoiceKind::kUnknown;  // from the invoice type, when it names one
    std::string code, number, date;
    std::string total;   // 价税合计
    std::string amount;  // before tax
    std::string tax;

    bool Valid() const { return !number.empty(); }
};

// Reads "01,<type>,<code>,<number>,<amount>,<yyyymmdd>,<check>,<hash>" (the
// amount is the total on fully digital invoices and air itineraries, the
// amount before tax on the older kinds) or a verification address (see
// ParseAddressCode). Anything else, such as an advertisement's link, gives
// no facts.
CodeFacts ParseInvoiceCode(const std::string& text);

// A verification address: the code and number as path parts, a delivery
// address's "2_<number>_<yyyymmddhhmmss>…", or query values named as the
// regional services name them (README lists them). Amounts in whole digits
// are cents, with a point yuan.
CodeFacts ParseAddressCode(const std::string& address);

// "759" and "759.0" as "759.00"; empty for text that is not an amount.
std::string TwoDecimals(const std::string& amount);

}  // namespace vellumark
