#include "intake/invoice_intake.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

namespace vellumark {

namespace {

constexpr double kTolerance = 1e-7;

// Counts of inserted rows per height class, for the position of the n-th
// row in height order (a Fenwick tree).
class Counts {
public:
    explicit Counts(std::size_t classes) : tree_(classes + 1, 0) {}
    void Add(std::size_t klass) {
        for (std::size_t i = klass + 1; i < tree_.size(); i += i & (~i + 1))
            ++tree_[i];
    }
    // Rows in classes below `klass`.
    int Before(std::size_t klass) const {
        int sum = 0;
        for (std::size_t i = klass; i > 0; i -= i & (~i + 1))
            sum += tree_[i];
        return sum;
    }
    // The class of the row at 1-based position `position`.
    std::size_t ClassAt(int position) const {
        std::size_t at = 0;
        std::size_t step = 1;
        while (step * 2 < tree_.size())
            step *= 2;
        for (; step > 0; step /= 2) {
            if (at + step < tree_.size() && tree_[at + step] < position) {
                at += step;
                position -= tree_[at];
            }
        }
        return at;
    }

private:
    std::vector<int> tree_;
};

// Heights within the tolerance of a class's first height share the class.
std::vector<std::size_t> HeightClasses(const std::vector<double>& heights) {
    std::vector<double> sorted = heights;
    std::sort(sorted.begin(), sorted.end());
    std::vector<double> firsts;
    for (const double h : sorted)
        if (firsts.empty() || h - firsts.back() > kTolerance)
            firsts.push_back(h);
    std::vector<std::size_t> classes;
    for (const double h : heights) {
        const auto above = std::upper_bound(firsts.begin(), firsts.end(), h + kTolerance);
        classes.push_back(static_cast<std::size_t>(above - firsts.begin()) - 1);
    }
    return classes;
}

}  // namespace

// The list was always ordered by inserting each row, from the top, into an
// ascending list by bisection and reading that list backwards; users know
// the order that gives among equal heights. It is kept exactly: a row as
// tall as the tallest so far goes after its equals, one as short as the
// shortest before them, and one in between right after the equal row the
// bisection meets. Each class of equal heights keeps its run of rows;
// the rows are then sorted by class and place in the run, both descending.
void OrderRowsByPageHeight(InvoiceRows& rows) {
    const int n = rows.rowCount();
    std::vector<double> heights;
    for (int i = 0; i < n; ++i)
        heights.push_back(rows.HeightMm(i));
    const std::vector<std::size_t> classOf = HeightClasses(heights);
    const std::size_t classes = n == 0 ? 0 : *std::max_element(classOf.begin(), classOf.end()) + 1;
    std::vector<std::deque<int>> runs(classes);
    Counts counts(classes);
    std::size_t lowest = 0, highest = 0;
    for (int i = 0; i < n; ++i) {
        const std::size_t c = classOf[static_cast<std::size_t>(i)];
        std::deque<int>& run = runs[c];
        if (i == 0 || c >= highest) {
            run.push_back(i);
        } else if (c <= lowest) {
            run.push_front(i);
        } else {
            int lo = 1, hi = i;  // 1-based positions of the i rows so far
            bool met = false;
            while (lo < hi - 1 && !met) {
                const int mid = (lo + hi) / 2;
                const std::size_t v = counts.ClassAt(mid);
                if (v == c) {
                    run.insert(run.begin() + (mid - counts.Before(c)), i);
                    met = true;
                } else if (c < v) {
                    hi = mid;
                } else {
                    lo = mid;
                }
            }
            if (!met)
                run.push_back(i);
        }
        counts.Add(c);
        lowest = i == 0 ? c : std::min(lowest, c);
        highest = i == 0 ? c : std::max(highest, c);
    }
    std::vector<int> place(static_cast<std::size_t>(n), 0);
    for (const auto& run : runs)
        for (std::size_t at = 0; at < run.size(); ++at)
            place[static_cast<std::size_t>(run[at])] = static_cast<int>(at);
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        if (classOf[ua] != classOf[ub])
            return classOf[ua] > classOf[ub];
        return place[ua] > place[ub];
    });
    rows.Reorder(order);
}

}  // namespace vellumark
