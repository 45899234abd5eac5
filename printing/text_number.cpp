#include "printing/text_number.h"

#include <climits>
#include <cmath>

namespace vellumark {

double TextToNumber(const QString& text) {
    int at = 0;
    const int size = static_cast<int>(text.size());
    while (at < size && (text[at] == u' ' || text[at] == u'\t'))
        ++at;
    const int start = at;
    if (at < size && (text[at] == u'+' || text[at] == u'-'))
        ++at;
    const int digitsStart = at;
    while (at < size && text[at] >= u'0' && text[at] <= u'9')
        ++at;
    bool anyDigit = at > digitsStart;
    if (at < size && text[at] == u'.') {
        const int fractionStart = ++at;
        while (at < size && text[at] >= u'0' && text[at] <= u'9')
            ++at;
        anyDigit = anyDigit || at > fractionStart;
    }
    if (!anyDigit)
        return 0;
    bool ok = false;
    const double value = text.mid(start, at - start).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

int TextToInteger(const QString& text) {
    const double value = std::trunc(TextToNumber(text));
    // Out-of-range text must not turn into an arbitrary number.
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace vellumark
