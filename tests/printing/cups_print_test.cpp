// Printing through the library into a private CUPS scheduler.
#include "cups_test_server.h"
#include "pdflib/problem_text.h"
#include "printing/print_sequence.h"
#include "printing/printer_list.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vellumark {
namespace {

using testing::CupsTestServer;
using testing::StartSuiteServer;
using testing::StopSuiteServer;

class CupsPrint : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = StartSuiteServer({"Alpha", "Closed", "Beta"}); }
    static void TearDownTestSuite() { StopSuiteServer(server_); }
    void SetUp() override { VELLUMARK_REQUIRE_CUPS(server_); }

    static CupsTestServer* server_;
};

CupsTestServer* CupsPrint::server_ = nullptr;

TEST_F(CupsPrint, ListsQueuesWithDefault) {
    const InstalledPrinters printers = ListInstalledPrinters();
    EXPECT_EQ(printers.names, (std::vector<std::string>{"Alpha", "Beta", "Closed"}));
    EXPECT_EQ(printers.defaultName, "Beta");
}

TEST_F(CupsPrint, JobCarriesEverySettingAndTheWholeDocument) {
    testing::TempDir dir;
    const std::string pdf = dir / "电子发票.pdf";
    testing::WriteBlankA4Pages(pdf, 6);
    PdfLibrary& library = testing::Library();
    ASSERT_EQ(LoadMergedPageCount(library, pdf), 6);
    const auto before = server_->JobIds();
    PrintRequest request{"Alpha", 3, 2, 5, 148, 2};
    EXPECT_EQ(PrintMergedFile(library, request), 1);
    const auto after = server_->JobIds();
    ASSERT_EQ(after.size(), before.size() + 1);
    const testing::SpooledJob job = server_->Job(after.back());
    EXPECT_EQ(job.attributes.at("copies"), "3");
    EXPECT_EQ(job.attributes.at("page-ranges"), "2-5");
    EXPECT_EQ(job.attributes.at("media"), "iso_a5_148x210mm");
    EXPECT_EQ(job.attributes.at("orientation-requested"), "landscape");
    EXPECT_EQ(job.attributes.at("print-quality"), "high");
    EXPECT_EQ(job.attributes.at("sides"), "one-sided");
    EXPECT_EQ(job.attributes.at("media-type"), "stationery");
    EXPECT_EQ(job.attributes.at("document-format"), "application/pdf");
    EXPECT_EQ(testing::PdfPageCount(job.documentPath), 6);
}

// A queue that refuses the job: the failure carries the spooler's own reason.
TEST_F(CupsPrint, RefusedJobSaysTheSpoolersReason) {
    ASSERT_TRUE(server_->Reject("Closed"));
    testing::TempDir dir;
    testing::WriteBlankA4Pages(dir / "电子发票.pdf", 2);
    PdfLibrary& library = testing::Library();
    ASSERT_EQ(LoadMergedPageCount(library, dir / "电子发票.pdf"), 2);
    EXPECT_EQ(PrintMergedFile(library, {"Closed", 1, 1, 2, 297, 1}), 0);
    const pdfax::CallError error = library.LastError();
    EXPECT_EQ(error.problem, pdfax::Problem::kSpooler);
    EXPECT_EQ(error.path, "Closed");
    EXPECT_FALSE(error.detail.empty());
    EXPECT_EQ(ProblemText(error), "打印服务拒绝了任务：" + error.detail);
}

TEST_F(CupsPrint, UnreadableDocumentMakesNoJob) {
    PdfLibrary& library = testing::Library();
    EXPECT_EQ(LoadMergedPageCount(library, "/nonexistent/电子发票.pdf"), 0);
    const auto before = server_->JobIds();
    EXPECT_EQ(PrintMergedFile(library, {"Alpha", 1, 1, 1, 297, 1}), 0);
    EXPECT_EQ(server_->JobIds().size(), before.size());
}

}  // namespace
}  // namespace vellumark
