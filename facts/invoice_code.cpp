#include "facts/invoice_code.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <vector>

namespace vellumark {
namespace {

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

bool AllDigits(const std::string& text, std::size_t least, std::size_t most) {
    return text.size() >= least && text.size() <= most &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// "20240514" or "2024-05-14" as "2024-05-14"; empty when it is no date.
std::string IsoDate(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '-'), text.end());
    if (!AllDigits(text, 8, 8))
        return {};
    const int month = std::atoi(text.substr(4, 2).c_str());
    const int day = std::atoi(text.substr(6, 2).c_str());
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return {};
    return text.substr(0, 4) + "-" + text.substr(4, 2) + "-" + text.substr(6, 2);
}

InvoiceKind KindOfType(const std::string& type) {
    static const std::map<std::string, InvoiceKind> kTypes = {
        {"31", InvoiceKind::kDigitalSpecial},
        {"32", InvoiceKind::kDigitalOrdinary},
        {"08", InvoiceKind::kElectronicSpecial},
        {"10", InvoiceKind::kElectronicOrdinary},
        {"14", InvoiceKind::kToll},
    };
    const auto found = kTypes.find(type);
    return found == kTypes.end() ? InvoiceKind::kUnknown : found->second;
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
    facts.amount = TwoDecimals(Trimmed(fields[4]));
    facts.date = IsoDate(Trimmed(fields[5]));
    facts.amountIsTotal = type == "31" || type == "32";
    return facts;
}

// "1000" (cents) as "10.00".
std::string CentsAsYuan(std::string cents) {
    if (cents.size() < 3)
        cents.insert(0, 3 - cents.size(), '0');
    return TwoDecimals(cents.substr(0, cents.size() - 2) + "." + cents.substr(cents.size() - 2));
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A verification address: the code and number as the first two parts of
// the path that are all digits, or as query values, with the amount in
// cents.
CodeFacts FromAddress(const std::string& address) {
    CodeFacts facts;
    const std::size_t scheme = address.find("://");
    if (scheme == std::string::npos)
        return facts;
    const std::size_t pathStart = address.find('/', scheme + 3);
    if (pathStart == std::string::npos)
        return facts;
    const std::size_t queryStart = address.find('?', pathStart);
    const std::vector<std::string> parts =
        Split(address.substr(pathStart + 1, queryStart - pathStart - 1), '/');
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (AllDigits(parts[i], 8, 12) && AllDigits(parts[i + 1], 8, 20)) {
            facts.code = parts[i];
            facts.number = parts[i + 1];
            break;
        }
    }
    if (queryStart == std::string::npos)
        return facts;
    for (const std::string& pair : Split(address.substr(queryStart + 1), '&')) {
        const std::size_t equals = pair.find('=');
        const std::string key = Lower(pair.substr(0, equals));
        const std::string value = equals == std::string::npos ? "" : pair.substr(equals + 1);
        if ((key == "fphm" || key == "invoicenumber" || key == "invoiceno") &&
            AllDigits(value, 8, 20))
            facts.number = value;
        else if ((key == "fpdm" || key == "invoicecode") && AllDigits(value, 8, 12))
            facts.code = value;
        else if ((key == "je" || key == "jshj" || key == "amount") && AllDigits(value, 1, 15))
            facts.amount = CentsAsYuan(value);
        else if (key == "kprq" || key == "date")
            facts.date = IsoDate(value);
    }
    facts.amountIsTotal = !facts.amount.empty();
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
    if (trimmed.rfind("http://", 0) == 0 || trimmed.rfind("https://", 0) == 0)
        return FromAddress(trimmed);
    return {};
}

}  // namespace vellumark
