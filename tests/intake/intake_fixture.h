// A folder to take in, and the list the intake builds from it.
#pragma once

#include "fixtures/invoice_fixtures.h"
#include "intake/invoice_intake.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellumark::testing {

class IntakeTest : public ::testing::Test {
protected:
    BuildResult Intake(const std::string& source) {
        values_.sourceFolder = source;
        return BuildInvoiceList(Library(), values_, rows_);
    }
    BuildResult Intake() { return Intake(dir_.path()); }

    std::vector<QString> Column(int column) const {
        std::vector<QString> cells;
        for (int row = 0; row < rows_.rowCount(); ++row)
            cells.push_back(rows_.Cell(row, column));
        return cells;
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (int row = 0; row < rows_.rowCount(); ++row)
            paths.push_back(rows_.Path(row));
        return paths;
    }
    // Pages labelled name-1, name-2, ... so that split files can be told apart.
    void WritePdf(const std::string& name, int pages, double heightMm = 140) {
        std::vector<fixtures::FixturePage> sheets;
        for (int page = 1; page <= pages; ++page) {
            fixtures::FixturePage sheet = fixtures::ShortPage(name + "-" + std::to_string(page));
            sheet.heightMm = heightMm;
            sheets.push_back(sheet);
        }
        ASSERT_TRUE(fixtures::WriteInvoicePdf(dir_ / name, sheets));
    }
    int PagesOf(const std::string& path) {
        return Library().LoadFromFile(path, "") ? Library().PageCount() : -1;
    }

    TempDir dir_;
    IntakeValues values_;
    InvoiceRows rows_;
};

}  // namespace vellumark::testing
