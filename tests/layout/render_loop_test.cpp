// Rendering on its own thread: results come back on the caller's thread, in
// order, with each invoice's own outcome, and the caller is never left
// waiting longer than its poll interval.
#include "render_loop.h"
#include "invoice_fixtures.h"
#include "pdf_library.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace vellumark;
using namespace vellumark::testing;

namespace {

TEST(RenderLoop, ReportsEachInvoiceInOrderOnTheCallersThread) {
    TempDir dir;
    ASSERT_TRUE(fixtures::WriteInvoicePdf(dir / "short.pdf", fixtures::ShortPage("S")));
    ASSERT_TRUE(fixtures::WriteInvoicePdf(dir / "tall.pdf", fixtures::TallPage("T")));
    WriteFile(dir / "broken.pdf", "not a pdf");
    WriteFile(dir / "2.png", "stale image of an invoice that now fails");
    const std::vector<RenderJob> jobs = {
        {dir / "short.pdf", false, false, dir / "0.png"},
        {dir / "tall.pdf", true, true, dir / "1.jpg"},
        {dir / "broken.pdf", false, false, dir / "2.png"},
        {dir / "short.pdf", false, false, dir / "3.png"},
    };
    const auto caller = std::this_thread::get_id();
    std::vector<int> order;
    std::vector<bool> outcomes;
    int idles = 0;
    bool elsewhere = false;
    const std::vector<pdfax::CallError> rendered = RenderAlongside(
        Library(), jobs,
        [&](int i, bool ok) {
            elsewhere |= std::this_thread::get_id() != caller;
            order.push_back(i);
            outcomes.push_back(ok);
        },
        [&] {
            elsewhere |= std::this_thread::get_id() != caller;
            ++idles;
        },
        std::chrono::milliseconds(5));
    EXPECT_FALSE(elsewhere);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(outcomes, (std::vector<bool>{true, true, false, true}));
    std::vector<bool> succeeded;
    for (const auto& error : rendered)
        succeeded.push_back(error.problem == pdfax::Problem::kNone);
    EXPECT_EQ(succeeded, (std::vector<bool>{true, true, false, true}));
    EXPECT_EQ(rendered[2].path, jobs[2].invoice);
    EXPECT_GT(idles, 0);  // a 300 dpi render takes longer than 5 ms
    EXPECT_FALSE(Exists(dir / "2.png"));
    Library().NewDocument();  // waits for the library's writes
    for (const char* image : {"0.png", "1.jpg", "3.png"})
        EXPECT_TRUE(Exists(dir / image)) << image;
}

}  // namespace
