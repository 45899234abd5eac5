#include "intake/invoice_intake.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace vellumark {
namespace {

// Builds the list as the intake does: the files in search order, each
// inserted on top, so the rows stand reversed before ordering.
void ListInSearchOrder(InvoiceRows& rows, const std::vector<std::pair<QString, double>>& files) {
    rows.Clear();
    for (const auto& [name, height] : files) {
        rows.InsertRowAtTop();
        rows.SetCell(0, kColumnName, name);
        rows.SetPath(0, "/folder/" + name.toStdString() + ".pdf");
        rows.SetSize(0, 210, height);
        rows.SetCell(0, kColumnProgress, QStringLiteral("等待中"));
    }
}

std::vector<QString> Names(const InvoiceRows& rows) {
    std::vector<QString> names;
    for (int row = 0; row < rows.rowCount(); ++row)
        names.push_back(rows.Cell(row, kColumnName));
    return names;
}

TEST(OrderRowsByPageHeight, WorkedExamples) {
    InvoiceRows rows;
    ListInSearchOrder(rows, {{"甲", 140}, {"乙", 140}, {"丙", 140}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"甲", "乙", "丙"}));

    ListInSearchOrder(rows, {{"甲", 297}, {"乙", 140}, {"丙", 297}, {"丁", 140}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"甲", "丙", "丁", "乙"}));

    ListInSearchOrder(rows, {{"甲", 140}, {"乙", 297}, {"丙", 200}, {"丁", 200}, {"戊", 200}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"乙", "丙", "丁", "戊", "甲"}));
}

TEST(OrderRowsByPageHeight, MiddleKeysGoAfterTheirEqualAndAllCellsTravel) {
    InvoiceRows rows;
    // Before ordering (top to bottom): 100, 300, 200, 250, 200.
    ListInSearchOrder(rows, {{"e", 200}, {"d", 250}, {"c", 200}, {"b", 300}, {"a", 100}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"b", "d", "e", "c", "a"}));
    for (int row = 0; row < rows.rowCount(); ++row) {
        const std::string name = rows.Cell(row, kColumnName).toStdString();
        EXPECT_EQ(rows.Path(row), "/folder/" + name + ".pdf");
        EXPECT_EQ(rows.Cell(row, kColumnPath), QString::fromStdString("/folder/" + name + ".pdf"));
        EXPECT_EQ(rows.Cell(row, kColumnProgress), QStringLiteral("等待中"));
    }
}

TEST(OrderRowsByPageHeight, SingleEmptyAndTies) {
    InvoiceRows rows;
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(rows.rowCount(), 0);

    ListInSearchOrder(rows, {{"only", 140}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"only"}));

    // Within 1e-7 counts as equal: a run arriving as the largest is reversed
    // by the backwards reading, so the search order comes back.
    ListInSearchOrder(rows, {{"a", 140.00000005}, {"b", 140}, {"c", 140.00000009}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"a", "b", "c"}));

    // Just outside the tolerance the taller one wins.
    ListInSearchOrder(rows, {{"a", 140}, {"b", 140.0000002}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"b", "a"}));
}

TEST(OrderRowsByPageHeight, PathBytesThatAreNotUtf8Survive) {
    InvoiceRows rows;
    const std::string gbk = "/f/\xb7\xa2\xc6\xb1.pdf";
    rows.InsertRowAtTop();
    rows.SetSize(0, 210, 140);
    rows.SetPath(0, gbk);
    rows.InsertRowAtTop();
    rows.SetSize(0, 210, 297);
    rows.SetPath(0, "/f/tall.pdf");
    rows.InsertRowAtTop();
    rows.SetSize(0, 210, 100);
    rows.SetPath(0, "/f/short.pdf");
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(rows.Path(0), "/f/tall.pdf");
    EXPECT_EQ(rows.Path(1), gbk);
    EXPECT_EQ(rows.Path(2), "/f/short.pdf");
}

// The order as the list always made it: insertion by bisection into an
// ascending list, read backwards. Random heights with many ties, tiny
// differences and a few classes must come out exactly as it gives.
std::vector<int> InsertionOrder(const std::vector<double>& keys) {
    std::vector<double> k;
    std::vector<int> r;
    for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
        const double key = keys[static_cast<std::size_t>(i)];
        std::size_t p = 0;
        if (k.empty() || key - k.back() >= -1e-7) {
            p = k.size();
        } else if (key - k.front() <= 1e-7) {
            p = 0;
        } else {
            std::size_t lo = 1, hi = k.size();
            while (lo < hi - 1) {
                const std::size_t mid = (lo + hi) / 2;
                if (std::fabs(key - k[mid - 1]) <= 1e-7) {
                    lo = mid;
                    break;
                }
                (key - k[mid - 1] < -1e-7 ? hi : lo) = mid;
            }
            p = lo;
        }
        k.insert(k.begin() + static_cast<std::ptrdiff_t>(p), key);
        r.insert(r.begin() + static_cast<std::ptrdiff_t>(p), i);
    }
    return {r.rbegin(), r.rend()};
}

TEST(OrderRowsByPageHeight, SameOrderAsInsertionByBisection) {
    std::srand(7);
    const double heights[] = {100, 140, 140.00000004, 148, 180, 200, 297, 318};
    for (int trial = 0; trial < 400; ++trial) {
        const int n = std::rand() % 40;
        const int kinds = 1 + std::rand() % 8;
        InvoiceRows rows;
        std::vector<double> keys;
        for (int i = 0; i < n; ++i) {
            keys.push_back(heights[std::rand() % kinds]);
            rows.AppendRow();
            rows.SetSize(i, 210, keys.back());
            // Names differing only in case stay apart by their place alone.
            rows.SetCell(i, kColumnName, i % 2 ? QStringLiteral("a") : QStringLiteral("A"));
            rows.SetPath(i, std::to_string(i));
        }
        OrderRowsByPageHeight(rows);
        std::vector<int> got;
        for (int row = 0; row < n; ++row)
            got.push_back(std::stoi(rows.Path(row)));
        ASSERT_EQ(got, InsertionOrder(keys)) << "trial " << trial;
    }
}

TEST(IntegerPart, FloorWithTolerance) {
    EXPECT_EQ(IntegerPart(140.9), 140);
    EXPECT_EQ(IntegerPart(297 - 1e-13), 297);
    EXPECT_EQ(IntegerPart(297 - 1e-9), 296);
    EXPECT_EQ(IntegerPart(297.0), 297);
    EXPECT_EQ(IntegerPart(0.0), 0);
    EXPECT_EQ(IntegerPart(std::nan("")), 0);
    EXPECT_EQ(IntegerPart(HUGE_VAL), 0);
}

}  // namespace
}  // namespace vellumark
