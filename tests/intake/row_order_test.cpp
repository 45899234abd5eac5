#include "intake/invoice_intake.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vellumark {
namespace {

// Builds the list as the intake does: the files in search order, each
// inserted on top, so the rows stand reversed before ordering.
void ListInSearchOrder(InvoiceRows& rows, const std::vector<std::pair<QString, QString>>& files) {
    rows.Clear();
    for (const auto& [name, height] : files) {
        rows.InsertRowAtTop();
        rows.SetCell(0, kColumnName, name);
        rows.SetPath(0, "/folder/" + name.toStdString() + ".pdf");
        rows.SetCell(0, kColumnHeight, height);
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
    ListInSearchOrder(rows, {{"甲", "140"}, {"乙", "140"}, {"丙", "140"}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"甲", "乙", "丙"}));

    ListInSearchOrder(rows, {{"甲", "297"}, {"乙", "140"}, {"丙", "297"}, {"丁", "140"}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"甲", "丙", "丁", "乙"}));

    ListInSearchOrder(rows,
                      {{"甲", "140"}, {"乙", "297"}, {"丙", "200"}, {"丁", "200"}, {"戊", "200"}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"乙", "丙", "丁", "戊", "甲"}));
}

TEST(OrderRowsByPageHeight, MiddleKeysGoAfterTheirEqualAndAllCellsTravel) {
    InvoiceRows rows;
    // Before ordering (top to bottom): 100, 300, 200, 250, 200.
    ListInSearchOrder(rows, {{"e", "200"}, {"d", "250"}, {"c", "200"}, {"b", "300"}, {"a", "100"}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"b", "d", "e", "c", "a"}));
    for (int row = 0; row < rows.rowCount(); ++row) {
        const std::string name = rows.Cell(row, kColumnName).toStdString();
        EXPECT_EQ(rows.Path(row), "/folder/" + name + ".pdf");
        EXPECT_EQ(rows.Cell(row, kColumnPath), QString::fromStdString("/folder/" + name + ".pdf"));
        EXPECT_EQ(rows.Cell(row, kColumnProgress), QStringLiteral("等待中"));
    }
}

TEST(OrderRowsByPageHeight, SingleEmptyTiesAndTextKeys) {
    InvoiceRows rows;
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(rows.rowCount(), 0);

    ListInSearchOrder(rows, {{"only", "140"}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"only"}));

    // Within 1e-7 counts as equal: a run arriving as the largest is reversed
    // by the backwards reading, so the search order comes back.
    ListInSearchOrder(rows, {{"a", "140.00000005"}, {"b", "140"}, {"c", "140.00000009"}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"a", "b", "c"}));

    // Just outside the tolerance the taller one wins.
    ListInSearchOrder(rows, {{"a", "140"}, {"b", "140.0000002"}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows), (std::vector<QString>{"b", "a"}));

    // A text that does not begin with a number sorts as 0; a leading number counts.
    ListInSearchOrder(rows, {{"a", "n/a"}, {"b", "150mm"}, {"c", ""}});
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(Names(rows).front(), QStringLiteral("b"));
}

TEST(OrderRowsByPageHeight, PathBytesThatAreNotUtf8Survive) {
    InvoiceRows rows;
    const std::string gbk = "/f/\xb7\xa2\xc6\xb1.pdf";
    rows.InsertRowAtTop();
    rows.SetCell(0, kColumnHeight, "140");
    rows.SetPath(0, gbk);
    rows.InsertRowAtTop();
    rows.SetCell(0, kColumnHeight, "297");
    rows.SetPath(0, "/f/tall.pdf");
    rows.InsertRowAtTop();
    rows.SetCell(0, kColumnHeight, "100");
    rows.SetPath(0, "/f/short.pdf");
    OrderRowsByPageHeight(rows);
    EXPECT_EQ(rows.Path(0), "/f/tall.pdf");
    EXPECT_EQ(rows.Path(1), gbk);
    EXPECT_EQ(rows.Path(2), "/f/short.pdf");
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
