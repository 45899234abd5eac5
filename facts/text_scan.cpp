#include "text_scan.h"

#include <cstdio>
#include <cstdlib>

namespace vellumark {

bool IsDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

bool IsIdCharacter(char32_t c) {
    return IsDigit(c) || (c >= U'A' && c <= U'Z');
}

std::string FirstRun(const std::u32string& text, std::size_t least, std::size_t most,
                     bool (*allowed)(char32_t)) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        while (end < text.size() && allowed(text[end]))
            ++end;
        if (end > i && end - i >= least && end - i <= most)
            return std::string(text.begin() + static_cast<std::ptrdiff_t>(i),
                               text.begin() + static_cast<std::ptrdiff_t>(end));
        i = end == i ? i + 1 : end;
    }
    return {};
}

std::string IsoDate(int year, int month, int day) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1990 || year > 2999 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1])
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

std::string FirstDate(const std::u32string& text) {
    // Digit runs of four, then up to two, then up to two characters, with
    // anything but digits between them.
    std::vector<std::string> runs;
    std::string run;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && IsDigit(text[i])) {
            run += static_cast<char>(text[i]);
            continue;
        }
        if (!run.empty())
            runs.push_back(run);
        run.clear();
        if (runs.size() == 3) {
            if (runs[0].size() == 4 && runs[1].size() <= 2 && runs[2].size() <= 2)
                return IsoDate(std::atoi(runs[0].c_str()), std::atoi(runs[1].c_str()),
                               std::atoi(runs[2].c_str()));
            runs.erase(runs.begin());
        }
    }
    // "20240514", written as one run.
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].size() == 8)
            return IsoDate(std::atoi(runs[i].substr(0, 4).c_str()),
                           std::atoi(runs[i].substr(4, 2).c_str()),
                           std::atoi(runs[i].substr(6, 2).c_str()));
    }
    return {};
}

std::vector<Money> AmountsIn(const std::u32string& text) {
    // Yuan before the decimal point: far beyond any invoice, and far from
    // what 64 bits of cents hold.
    constexpr int kMostDigits = 13;
    std::vector<Money> amounts;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 3, U"***") == 0) {
            amounts.push_back({0, false, true});
            i += 3;
            continue;
        }
        // An amount starts at its sign, or at a digit not preceded by one.
        bool yen = false;
        std::size_t at = i;
        if (text[at] == U'¥' || text[at] == U'￥') {
            yen = true;
            ++at;
            while (at < text.size() && text[at] == U' ')
                ++at;
        }
        const bool negative = at < text.size() && text[at] == U'-';
        if (negative)
            ++at;
        // Nor is one that follows a decimal point: it is the tail of another.
        const bool tail = i > 0 && !yen && (IsDigit(text[i - 1]) || text[i - 1] == U'.');
        if (at >= text.size() || !IsDigit(text[at]) || tail) {
            ++i;
            continue;
        }
        std::int64_t whole = 0;
        int digits = 0;
        std::size_t end = at;
        while (end < text.size() && (IsDigit(text[end]) || text[end] == U',')) {
            if (text[end] != U',' && ++digits <= kMostDigits)
                whole = whole * 10 + (text[end] - U'0');
            ++end;
        }
        // A longer run of digits is a number of some other kind.
        if (digits <= kMostDigits && end + 2 < text.size() && text[end] == U'.' &&
            IsDigit(text[end + 1]) && IsDigit(text[end + 2]) &&
            (end + 3 >= text.size() || !IsDigit(text[end + 3]))) {
            const std::int64_t cents =
                whole * 100 + (text[end + 1] - U'0') * 10 + (text[end + 2] - U'0');
            amounts.push_back({negative ? -cents : cents, yen, false});
            i = end + 3;
        } else {
            i = end;
        }
    }
    return amounts;
}

std::string FormatCents(std::int64_t cents) {
    char text[32];
    const std::int64_t magnitude = cents < 0 ? -cents : cents;
    std::snprintf(text, sizeof text, "%s%lld.%02lld", cents < 0 ? "-" : "",
                  static_cast<long long>(magnitude / 100), static_cast<long long>(magnitude % 100));
    return text;
}

std::optional<std::int64_t> CentsOf(const std::string& amount) {
    std::u32string text(amount.begin(), amount.end());
    const std::vector<Money> found = AmountsIn(text);
    if (found.size() != 1 || found[0].starred)
        return std::nullopt;
    return found[0].cents;
}

}  // namespace vellumark
