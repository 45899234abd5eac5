#include "facts/invoice_code.h"

#include "invoice_code_parts.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <vector>

namespace vellumark {
namespace code_parts {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool AllDigits(const std::string& text, std::size_t least, std::size_t most) {
    return text.size() >= least && text.size() <= most &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string IsoDate(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '-'), text.end());
    // A time of day may follow the date.
    if (AllDigits(text, 14, 14))
        text.resize(8);
    if (!AllDigits(text, 8, 8))
        return {};
    const int month = std::atoi(text.substr(4, 2).c_str());
    const int day = std::atoi(text.substr(6, 2).c_str());
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return {};
    return text.substr(0, 4) + "-" + text.substr(4, 2) + "-" + text.substr(6, 2);
}

}  // namespace code_parts

namespace {

using namespace code_parts;

InvoiceKind KindOfType(const std::string& type) {
    static const std::map<std::string, InvoiceKind> kTypes = {
        {"31", InvoiceKind::kDigitalSpecial},
        {"32", InvoiceKind::kDigitalOrdinary},
        {"08", InvoiceKind::kElectronicSpecial},
        {"10", InvoiceKind::kElectronicOrdinary},
        {"14", InvoiceKind::kToll},
        // An air itinerary is a document of its own, not one of the
        // invoices counted: its code names its own number.
        {"61", InvoiceKind::kOther},
    };
    const auto found = kTypes.find(type);
    return found == kTypes.end() ? InvoiceKind::kUnknown : found->second;
}

// What the amount field of a code of this type is: fully digital invoices
// and air itineraries carry the total, the older VAT kinds the amount before
// tax. Other types leave it unsaid.
enum class AmountMeaning { kTotal, kBeforeTax, kUnknown };

AmountMeaning AmountOfType(const std::string& type) {
    if (type == "31" || type == "32" || type == "61")
        return AmountMeaning::kTotal;
    for (const char* older : {"01", "04", "08", "10", "11", "14"}) {
        if (type == older)
            return AmountMeaning::kBeforeTax;
    }
    return AmountMeaning::kUnknown;
}

CodeFacts FromFields(const std::vector<std::string>& fields) {
    CodeFacts facts;
    if (fields.size() < 6 || Trimmed(fields[0]) != "01")
        return facts;
    const std::string type = Trimmed(fields[1]);
    const std::string code = Trimmed(fields[2]), number = Trimmed(fields[3]);
    if (!AllDigits(number, 8, 20) || !(code.empty() || AllDigits(code, 10, 12)))
        return facts;
    facts.kind = KindOfType(type);
    facts.code = code;
    facts.number = number;
    facts.date = IsoDate(Trimmed(fields[5]));
    const std::string amount = TwoDecimals(Trimmed(fields[4]));
    switch (AmountOfType(type)) {
        case AmountMeaning::kTotal:
            facts.total = amount;
            break;
        case AmountMeaning::kBeforeTax:
            facts.amount = amount;
            break;
        case AmountMeaning::kUnknown:
            break;
    }
    return facts;
}

}  // namespace

std::string TwoDecimals(const std::string& amount) {
    std::string text = amount;
    text.erase(std::remove(text.begin(), text.end(), ','), text.end());
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = negative ? text.substr(1) : text;
    const std::size_t dot = digits.find('.');
    const std::string whole = digits.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : digits.substr(dot + 1);
    if (!AllDigits(whole, 1, 15) || !(fraction.empty() || AllDigits(fraction, 1, 2)))
        return {};
    fraction.resize(2, '0');
    return (negative ? "-" : "") + whole + "." + fraction;
}

CodeFacts ParseInvoiceCode(const std::string& text) {
    const std::string trimmed = Trimmed(text);
    if (trimmed.rfind("01,", 0) == 0)
        return FromFields(Split(trimmed, ','));
    const std::string scheme = Lower(trimmed.substr(0, 8));
    if (scheme.rfind("http://", 0) == 0 || scheme.rfind("https://", 0) == 0)
        return ParseAddressCode(trimmed);
    return {};
}

}  // namespace vellumark
