#include "intake/invoice_intake.h"

#include <cmath>
#include <vector>

namespace vellumark {

namespace {

constexpr double kTolerance = 1e-7;

// The leading decimal number of a cell ("297", "140.5 mm"), 0 without one.
double LeadingNumber(const QString& text) {
    int at = 0;
    while (at < text.size() && text[at] == QLatin1Char(' '))
        ++at;
    const int start = at;
    if (at < text.size() && (text[at] == QLatin1Char('-') || text[at] == QLatin1Char('+')))
        ++at;
    int digits = 0;
    while (at < text.size() && text[at].isDigit() && text[at].unicode() < 128)
        ++at, ++digits;
    if (at < text.size() && text[at] == QLatin1Char('.')) {
        ++at;
        while (at < text.size() && text[at].isDigit() && text[at].unicode() < 128)
            ++at, ++digits;
    }
    if (digits == 0)
        return 0;
    // QString::toDouble reads the C locale's decimal point whatever the
    // user's locale is.
    bool ok = false;
    const double value = text.mid(start, at - start).toDouble(&ok);
    return ok ? value : 0;
}

// 0-based position at which `key` joins the ascending `keys`.
std::size_t InsertionPosition(const std::vector<double>& keys, double key) {
    if (keys.empty())
        return 0;
    if (key - keys.back() >= -kTolerance)
        return keys.size();
    if (key - keys.front() <= kTolerance)
        return 0;
    // Bisection over 1-based positions lo < hi; a key found equal to a
    // middle entry goes right after it.
    std::size_t lo = 1, hi = keys.size();
    while (lo + 1 < hi) {
        const std::size_t mid = (lo + hi) / 2;
        const double value = keys[mid - 1];
        if (std::fabs(key - value) <= kTolerance) {
            lo = mid;
            break;
        }
        if (key - value < -kTolerance) {
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return lo;  // 1-based lo + 1, as a 0-based index
}

}  // namespace

void OrderRowsByPageHeight(InvoiceRows& rows) {
    const int n = rows.rowCount();
    const int columns = kInvoiceColumnCount;
    std::vector<double> keys;
    std::vector<int> sources;
    for (int i = 0; i < n; ++i) {
        const double key = LeadingNumber(rows.Cell(i, kColumnHeight));
        const auto at = static_cast<std::ptrdiff_t>(InsertionPosition(keys, key));
        keys.insert(keys.begin() + at, key);
        sources.insert(sources.begin() + at, i);
    }
    // Read everything first, tallest (last inserted position) first, then
    // write it back cell by cell.
    std::vector<QString> texts;
    std::vector<std::string> paths;
    std::vector<QString> notes;
    texts.reserve(static_cast<std::size_t>(n) * static_cast<std::size_t>(columns));
    for (int r = 0; r < n; ++r) {
        const int source = sources[static_cast<std::size_t>(n - 1 - r)];
        for (int c = 0; c < columns; ++c)
            texts.push_back(rows.Cell(source, c));
        paths.push_back(rows.Path(source));
        notes.push_back(rows.Note(source));
    }
    for (std::size_t j = 0; j < texts.size(); ++j) {
        const int row = static_cast<int>(j) / columns;
        const int column = static_cast<int>(j) % columns;
        // The path cell carries the platform's bytes, which the shown text
        // alone cannot give back for names that are not UTF-8.
        if (column == kColumnPath) {
            rows.SetPath(row, paths[static_cast<std::size_t>(row)]);
        } else {
            rows.SetCell(row, column, texts[j]);
        }
    }
    // A row's note travels with its cells.
    for (int row = 0; row < n; ++row)
        rows.SetNote(row, notes[static_cast<std::size_t>(row)]);
}

}  // namespace vellumark
