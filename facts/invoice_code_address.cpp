// Verification addresses in invoices' QR codes. Every region's service
// names its parameters its own way; each name keeps the meaning it has
// there, and a name not known here gives nothing.
#include "facts/invoice_code.h"

#include "invoice_code_parts.h"

#include <algorithm>
#include <array>

namespace vellumark {
namespace {

using namespace code_parts;

enum class Carries { kNumber, kCode, kDate, kTotal, kAmount, kTax };

struct Parameter {
    const char* name;  // lower case; names are compared without case
    Carries carries;
};

constexpr std::array kParameters = {
    // The invoice number.
    Parameter{"fphm", Carries::kNumber},
    Parameter{"bill_num", Carries::kNumber},
    Parameter{"billnum", Carries::kNumber},
    Parameter{"invoicenumber", Carries::kNumber},
    Parameter{"invoice_number", Carries::kNumber},
    Parameter{"invoiceno", Carries::kNumber},
    Parameter{"invoice_no", Carries::kNumber},
    // The invoice code of the older kinds.
    Parameter{"fpdm", Carries::kCode},
    Parameter{"bill_code", Carries::kCode},
    Parameter{"billcode", Carries::kCode},
    Parameter{"invoicecode", Carries::kCode},
    Parameter{"invoice_code", Carries::kCode},
    // The date it was made out, possibly with the time of day.
    Parameter{"kprq", Carries::kDate},
    Parameter{"date", Carries::kDate},
    Parameter{"bill_date", Carries::kDate},
    Parameter{"invoicedate", Carries::kDate},
    Parameter{"invoice_date", Carries::kDate},
    // 价税合计, the total with tax.
    Parameter{"total_amount", Carries::kTotal},
    Parameter{"totalamount", Carries::kTotal},
    Parameter{"jshj", Carries::kTotal},
    // 金额 and 合计金额, before tax.
    Parameter{"je", Carries::kAmount},
    Parameter{"hjje", Carries::kAmount},
    Parameter{"bhsje", Carries::kAmount},
    // 税额 and 合计税额.
    Parameter{"se", Carries::kTax},
    Parameter{"hjse", Carries::kTax},
    Parameter{"tax_amount", Carries::kTax},
};

// An amount in an address: whole digits are cents ("7200" is 72.00), with
// a point it is yuan.
std::string AddressMoney(const std::string& value) {
    const bool negative = !value.empty() && value[0] == '-';
    std::string digits = negative ? value.substr(1) : value;
    if (digits.find('.') != std::string::npos)
        return TwoDecimals(value);
    if (!AllDigits(digits, 1, 15))
        return {};
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    return TwoDecimals((negative ? "-" : "") + digits.substr(0, digits.size() - 2) + "." +
                       digits.substr(digits.size() - 2));
}

void Take(CodeFacts& facts, Carries carries, const std::string& value) {
    switch (carries) {
        case Carries::kNumber:
            if (AllDigits(value, 8, 20))
                facts.number = value;
            break;
        case Carries::kCode:
            if (AllDigits(value, 8, 12))
                facts.code = value;
            break;
        case Carries::kDate:
            facts.date = IsoDate(value.substr(0, value.find_first_of(" T+")));
            break;
        case Carries::kTotal:
            facts.total = AddressMoney(value);
            break;
        case Carries::kAmount:
            facts.amount = AddressMoney(value);
            break;
        case Carries::kTax:
            facts.tax = AddressMoney(value);
            break;
    }
}

// The path's facts: a toll bill's ".../<code>/<number>/<key>", the first
// two parts that are all digits; a fully digital invoice's delivery address
// ".../v/2_<number>_<yyyymmddhhmmss><key>".
void FromPath(CodeFacts& facts, const std::string& path) {
    const std::vector<std::string> parts = Split(path, '/');
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (AllDigits(parts[i], 8, 12) && AllDigits(parts[i + 1], 8, 20)) {
            facts.code = parts[i];
            facts.number = parts[i + 1];
            return;
        }
    }
    for (const std::string& part : parts) {
        const std::vector<std::string> pieces = Split(part, '_');
        if (pieces.size() >= 3 && pieces[0] == "2" && AllDigits(pieces[1], 20, 20)) {
            facts.number = pieces[1];
            facts.date = IsoDate(pieces[2].substr(0, 8));
            return;
        }
    }
}

}  // namespace

CodeFacts ParseAddressCode(const std::string& address) {
    CodeFacts facts;
    const std::size_t scheme = address.find("://");
    if (scheme == std::string::npos)
        return facts;
    const std::size_t pathStart = address.find('/', scheme + 3);
    if (pathStart == std::string::npos)
        return facts;
    const std::size_t queryStart = address.find('?', pathStart);
    const std::size_t fragment = address.find('#', pathStart);
    FromPath(facts, address.substr(pathStart + 1, std::min(queryStart, fragment) - pathStart - 1));
    if (queryStart == std::string::npos)
        return facts;
    const std::string query =
        address.substr(queryStart + 1, fragment == std::string::npos || fragment < queryStart
                                           ? std::string::npos
                                           : fragment - queryStart - 1);
    for (const std::string& pair : Split(query, '&')) {
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = Lower(pair.substr(0, equals));
        for (const Parameter& parameter : kParameters) {
            if (key == parameter.name)
                Take(facts, parameter.carries, Trimmed(pair.substr(equals + 1)));
        }
    }
    return facts;
}

}  // namespace vellumark
