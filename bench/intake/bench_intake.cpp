// Times the intake of generated folders: many single-page invoices, fewer
// multi-page files that must be split, and one file of 100, 1000 and 5000
// pages. Prints seconds, files and rows (pages) per second; asserts nothing.
#include "fixtures/invoice_fixtures.h"
#include "intake/invoice_intake.h"
#include "test_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using vellumark::testing::TempDir;

bool WriteFolder(const TempDir& dir, int files, int pagesPerFile) {
    std::vector<vellumark::fixtures::FixturePage> pages;
    for (int page = 0; page < pagesPerFile; ++page) {
        // Mixed heights, so the ordering has work to do.
        pages.push_back(page % 3 == 0 ? vellumark::fixtures::TallPage()
                                      : vellumark::fixtures::ShortPage());
    }
    for (int i = 0; i < files; ++i) {
        if (i % 2 == 1)
            pages[0].heightMm = pages[0].heightMm == 297 ? 140 : 297;
        if (!vellumark::fixtures::WriteInvoicePdf(dir / ("发票" + std::to_string(i) + ".pdf"),
                                                  pages)) {
            return false;
        }
    }
    return true;
}

int Run(const char* title, int files, int pagesPerFile) {
    TempDir dir;
    if (!WriteFolder(dir, files, pagesPerFile)) {
        std::fprintf(stderr, "%s: could not write the folder\n", title);
        return 1;
    }
    vellumark::IntakeValues values;
    values.sourceFolder = dir.path();
    vellumark::InvoiceRows rows;
    const auto start = std::chrono::steady_clock::now();
    const auto result = vellumark::BuildInvoiceList(vellumark::testing::Library(), values, rows);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-28s %5d files x %2d pages -> %6d rows  %8.3f s  %9.1f files/s  %9.1f rows/s\n",
                title, files, pagesPerFile, rows.rowCount(), seconds, files / seconds,
                rows.rowCount() / seconds);
    return result == vellumark::BuildResult::kListed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const int scale = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    int failures = 0;
    failures += Run("single-page invoices", 1000 * scale, 1);
    failures += Run("ten-page files (split)", 100 * scale, 10);
    // One long download: the split must take time in proportion to its pages.
    for (const int pages : {100, 1000, 5000})
        failures += Run("one long file (split)", 1, pages);
    return failures == 0 ? 0 : 1;
}
