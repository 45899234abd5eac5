// Picking values out of the text beside a label: digit runs, dates and
// amounts of money.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vellumark {

bool IsDigit(char32_t c);
bool IsIdCharacter(char32_t c);  // 0-9 and A-Z, as taxpayer numbers are written

// The first run of `least` to `most` characters for which `allowed` holds.
std::string FirstRun(const std::u32string& text, std::size_t least, std::size_t most,
                     bool (*allowed)(char32_t));

// The first date in `text` written "2024年05月14日", "2024-05-14" or with
// blanks between its parts, as "2024-05-14"; empty when there is none.
std::string FirstDate(const std::u32string& text);

// "YYYY-MM-DD" when the parts make a date; empty otherwise.
std::string IsoDate(int year, int month, int day);

// An amount as written on an invoice: "¥268.00", "¥ 21.06", "-26.20", or
// "***" where no tax is charged (cents 0, `starred`).
struct Money {
    std::int64_t cents = 0;
    bool yen = false;      // marked with "¥" or "￥"
    bool starred = false;  // "***"
};

// Every amount with two decimals (and every "***") in `text`, in order.
std::vector<Money> AmountsIn(const std::u32string& text);

// "268.00" for 26800 cents.
std::string FormatCents(std::int64_t cents);
// 26800 for "268.00"; nothing for text that is not an amount.
std::optional<std::int64_t> CentsOf(const std::string& amount);

}  // namespace vellumark
