// Reading page counts and sizes as a viewer shows them, and what a failed
// load leaves behind.
#include "fixtures/invoice_fixtures.h"
#include "pdf_edit.h"
#include "test_support.h"

#include <sys/stat.h>

#include <algorithm>

namespace vellumark::testing {
namespace {

using fixtures::FixturePage;

struct Read {
    int loaded, pages;
    double width, height;
};

Read Load(const std::string& path) {
    PdfLibrary& lib = Library();
    const int loaded = lib.LoadFromFile(path, "");
    return {loaded, lib.PageCount(), lib.PageWidth(), lib.PageHeight()};
}

TEST(Reading, SizesAreWhatTheViewerShows) {
    TempDir dir;
    ASSERT_TRUE(fixtures::WriteInvoicePdf(dir / "short.pdf", fixtures::ShortPage("S")));
    Read r = Load(dir / "short.pdf");
    EXPECT_EQ(r.loaded, 1);
    EXPECT_EQ(r.pages, 1);
    EXPECT_NEAR(r.width, 210, 0.5);
    EXPECT_NEAR(r.height, 140, 0.5);

    FixturePage turned = fixtures::TallPage("T");
    turned.rotate = 90;
    ASSERT_TRUE(fixtures::WriteInvoicePdf(dir / "turned.pdf", {turned, fixtures::ShortPage()}));
    r = Load(dir / "turned.pdf");
    EXPECT_EQ(r.pages, 2);
    EXPECT_NEAR(r.width, 297, 0.5);
    EXPECT_NEAR(r.height, 210, 0.5);

    // Rotation and boxes inherited from the page tree; a CropBox inside the
    // MediaBox is what shows.
    ASSERT_TRUE(fixtures::WriteInvoicePdf(dir / "inherited.pdf", fixtures::ShortPage()));
    EditPdf(dir / "inherited.pdf", [](QPDF& pdf) {
        QPDFObjectHandle page = PagesOf(pdf).at(0);
        page.removeKey("/MediaBox");
        QPDFObjectHandle tree = pdf.getRoot().getKey("/Pages");
        tree.replaceKey("/MediaBox", QPDFObjectHandle::parse("[0 0 595.276 396.85]"));
        tree.replaceKey("/Rotate", QPDFObjectHandle::newInteger(-90));
        page.replaceKey("/CropBox", QPDFObjectHandle::parse("[10 10 293.465 396.85]"));
    });
    r = Load(dir / "inherited.pdf");
    EXPECT_NEAR(r.width, 386.85 * 25.4 / 72, 0.1);
    EXPECT_NEAR(r.height, 100, 0.1);

    // An inverted MediaBox counts as the same box; a missing one is Letter.
    ASSERT_TRUE(
        fixtures::WriteInvoicePdf(dir / "odd.pdf", {fixtures::ShortPage(), fixtures::ShortPage()}));
    EditPdf(dir / "odd.pdf", [](QPDF& pdf) {
        PagesOf(pdf).at(0).replaceKey("/MediaBox", QPDFObjectHandle::parse("[595.276 396.85 0 0]"));
        PagesOf(pdf).at(1).removeKey("/MediaBox");
    });
    r = Load(dir / "odd.pdf");
    EXPECT_NEAR(r.width, 210, 0.5);
    EXPECT_NEAR(r.height, 140, 0.5);
}

TEST(Reading, CorpusInvoicesReadTheirVisibleSize) {
    VELLUMARK_REQUIRE_CORPUS();
    const std::string invoices = CorpusDir() + "/invoices";
    Read r = Load(invoices + "/dingjunqing-invoice/IT202405131006240720.pdf");
    EXPECT_EQ(r.pages, 1);
    EXPECT_NEAR(r.width, 210, 0.5);
    EXPECT_NEAR(r.height, 140, 0.5);
    // Its MediaBox is 215 mm wide; the CropBox is what a viewer shows.
    r = Load(invoices + "/mxvc-invoice/ERR_1.pdf");
    EXPECT_EQ(r.loaded, 1);
    EXPECT_NEAR(r.width, 210, 0.5);
    EXPECT_NEAR(r.height, 140, 0.5);
}

TEST(Reading, AFailedLoadLeavesNoCurrentDocument) {
    TempDir dir;
    ASSERT_TRUE(fixtures::WriteInvoicePdf(dir / "good.pdf", fixtures::TallPage()));
    ASSERT_TRUE(fixtures::WriteEncryptedPdf(dir / "locked.pdf", "secret"));
    ASSERT_TRUE(fixtures::WriteTruncatedPdf(dir / "cut.pdf"));
    ASSERT_TRUE(fixtures::WriteNotAPdf(dir / "note.pdf"));
    WriteFile(dir / "empty.pdf", "");
    mkdir((dir / "folder.pdf").c_str(), 0755);
    mkfifo((dir / "pipe.pdf").c_str(), 0644);  // opening it must not block

    for (const char* name : {"missing.pdf", "locked.pdf", "cut.pdf", "note.pdf", "empty.pdf",
                             "folder.pdf", "pipe.pdf"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(Load(dir / "good.pdf").pages, 1);
        const Read r = Load(dir / name);
        EXPECT_EQ(r.loaded, 0);
        EXPECT_EQ(r.pages, 0);
        EXPECT_EQ(r.width, 0);
        EXPECT_EQ(r.height, 0);
    }
    EXPECT_EQ(Library().LoadFromFile(dir / "locked.pdf", "secret"), 1);
    EXPECT_EQ(Library().PageCount(), 1);
}

TEST(Reading, RepairableFilesLoad) {
    TempDir dir;
    ASSERT_TRUE(fixtures::WriteRepairablePdf(dir / "repair.pdf"));
    const Read r = Load(dir / "repair.pdf");
    EXPECT_EQ(r.loaded, 1);
    EXPECT_EQ(r.pages, 2);
    EXPECT_NEAR(r.height, 140, 0.5);
}

// Every damaged or unusual sample gets a defined answer, and the ones that
// need a password are neither read nor split.
TEST(Reading, TrickySamplesHaveDefinedOutcomes) {
    VELLUMARK_REQUIRE_CORPUS();
    const std::string folder = CorpusDir() + "/tricky";
    const std::vector<std::string> needPassword = {
        "pdfminer__rc4-40.pdf", "pdfminer__aes-128.pdf", "pdfminer__aes-128-m.pdf",
        "pdfminer__aes-256-r6.pdf", "pdfplumber__password-example.pdf"};
    TempDir out;
    int loadedCount = 0;
    for (const std::string& name : ListFolder(folder)) {
        SCOPED_TRACE(name);
        const std::string path = folder + "/" + name;
        const std::string before = ReadFile(path);
        const Read r = Load(path);
        const bool locked =
            std::find(needPassword.begin(), needPassword.end(), name) != needPassword.end();
        if (locked) {
            EXPECT_EQ(r.loaded, 0);
        }
        if (r.loaded == 0) {
            EXPECT_EQ(r.pages, 0);
            EXPECT_EQ(r.width, 0);
        } else {
            ++loadedCount;
            EXPECT_GT(r.pages, 0);
            EXPECT_GT(r.width, 0);
            EXPECT_GT(r.height, 0);
        }
        const std::string target = out / (name + "-1.pdf");
        const int extracted = Library().ExtractFilePages(path, "", target, "1");
        if (r.loaded == 0) {
            EXPECT_EQ(extracted, 0);
        }
        if (extracted) {
            EXPECT_EQ(Load(target).pages, 1);
        } else {
            EXPECT_FALSE(Exists(target));
        }
        EXPECT_EQ(ReadFile(path), before);
    }
    EXPECT_GE(loadedCount, 15);
    const Read twoPages = Load(folder + "/pdfplumber__pr-138-example.pdf");
    EXPECT_EQ(twoPages.pages, 2);
    EXPECT_NEAR(twoPages.width, 297, 1);
}

}  // namespace
}  // namespace vellumark::testing
