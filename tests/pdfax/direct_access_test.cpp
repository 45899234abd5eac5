// Files opened by handle: which changes stay in memory and which reach the
// file.
#include "fixtures/invoice_fixtures.h"
#include "pdf_edit.h"
#include "test_support.h"

#include <cmath>

namespace vellumark::testing {
namespace {

TEST(DirectAccess, HandlesAndPageReferences) {
    TempDir dir;
    ASSERT_TRUE(fixtures::WriteInvoicePdf(dir / "two.pdf",
                                          {fixtures::ShortPage("A"), fixtures::TallPage("B")}));
    ASSERT_TRUE(fixtures::WriteEncryptedPdf(dir / "locked.pdf", "secret"));
    PdfLibrary& lib = Library();
    const int readOnly = lib.DAOpenFileReadOnly(dir / "two.pdf", "");
    const int writable = lib.DAOpenFile(dir / "two.pdf", "");
    EXPECT_GT(readOnly, 0);
    EXPECT_GT(writable, 0);
    EXPECT_NE(readOnly, writable);
    EXPECT_EQ(lib.DAOpenFile(dir / "missing.pdf", ""), 0);
    EXPECT_EQ(lib.DAOpenFileReadOnly(dir / "locked.pdf", ""), 0);

    const int first = lib.DAFindPage(readOnly, 1);
    EXPECT_GT(first, 0);
    EXPECT_EQ(lib.DAFindPage(readOnly, 1), first);
    EXPECT_GT(lib.DAFindPage(readOnly, 2), 0);
    EXPECT_NE(lib.DAFindPage(readOnly, 2), first);
    EXPECT_EQ(lib.DAFindPage(readOnly, 0), 0);
    EXPECT_EQ(lib.DAFindPage(readOnly, 3), 0);
    EXPECT_EQ(lib.DAFindPage(12345, 1), 0);
    // A page reference belongs to its handle.
    EXPECT_EQ(lib.DARotatePage(writable, first, 90), 0);
    EXPECT_EQ(lib.DARotatePage(readOnly, first, 45), 0);

    EXPECT_NE(lib.DACloseFile(readOnly), 0);
    EXPECT_EQ(lib.DACloseFile(readOnly), 0);
    EXPECT_EQ(lib.DAFindPage(readOnly, 1), 0);
    EXPECT_NE(lib.DACloseFile(writable), 0);
}

TEST(DirectAccess, RotationStaysInMemory) {
    TempDir dir;
    const std::string path = dir / "tall.pdf";
    ASSERT_TRUE(fixtures::WriteInvoicePdf(path, fixtures::TallPage()));
    const std::string before = ReadFile(path);
    PdfLibrary& lib = Library();
    const int handle = lib.DAOpenFileReadOnly(path, "");
    const int page = lib.DAFindPage(handle, 1);
    EXPECT_NE(lib.DARotatePage(handle, page, 90), 0);
    EXPECT_EQ(lib.DAAppendFile(handle), 0);  // read-only handles never write
    EXPECT_NE(lib.DACloseFile(handle), 0);
    EXPECT_EQ(ReadFile(path), before);
}

TEST(DirectAccess, RotationReplacesAnInheritedOne) {
    TempDir dir;
    const std::string path = dir / "page.pdf";
    ASSERT_TRUE(fixtures::WriteInvoicePdf(path, fixtures::TallPage()));
    EditPdf(path, [](QPDF& pdf) {
        pdf.getRoot().getKey("/Pages").replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
    });
    PdfLibrary& lib = Library();
    const int handle = lib.DAOpenFile(path, "");
    EXPECT_NE(lib.DARotatePage(handle, lib.DAFindPage(handle, 1), 0), 0);
    EXPECT_NE(lib.DAAppendFile(handle), 0);
    lib.DACloseFile(handle);
    ASSERT_EQ(lib.LoadFromFile(path, ""), 1);
    EXPECT_NEAR(lib.PageWidth(), 210, 0.5);
    EXPECT_NEAR(lib.PageHeight(), 297, 0.5);
}

TEST(DirectAccess, NewPageSizeIsWrittenBackAndReadAsSet) {
    TempDir dir;
    const std::string path = dir / "sheet.pdf";
    fixtures::FixturePage turned = fixtures::ShortPage("T");
    turned.rotate = 270;
    turned.sealInSignature = true;
    ASSERT_TRUE(fixtures::WriteInvoicePdf(path, {fixtures::ShortPage("S"), turned}));
    EditPdf(path, [](QPDF& pdf) {
        PagesOf(pdf).at(0).replaceKey("/CropBox", QPDFObjectHandle::parse("[0 0 100 100]"));
    });
    PdfLibrary& lib = Library();
    const int handle = lib.DAOpenFile(path, "");
    ASSERT_GT(handle, 0);
    EXPECT_NE(lib.DASetPageSize(handle, lib.DAFindPage(handle, 1), 297, 210), 0);
    EXPECT_NE(lib.DASetPageSize(handle, lib.DAFindPage(handle, 2), 148, 210), 0);
    for (double bad : {0.0, -10.0, std::nan(""), 1e9}) {
        EXPECT_EQ(lib.DASetPageSize(handle, lib.DAFindPage(handle, 1), bad, 100), 0);
    }
    EXPECT_NE(lib.DAAppendFile(handle), 0);
    EXPECT_NE(lib.DACloseFile(handle), 0);
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"sheet.pdf"});

    ASSERT_EQ(lib.LoadFromFile(path, ""), 1);
    EXPECT_EQ(lib.PageCount(), 2);
    EXPECT_NEAR(lib.PageWidth(), 297, 0.01);
    EXPECT_NEAR(lib.PageHeight(), 210, 0.01);
    auto pdf = OpenWithQpdf(path);
    auto pages = PagesOf(*pdf);
    EXPECT_FALSE(pages[0].hasKey("/CropBox"));
    // The turned page shows the size asked for and keeps its seal field.
    const auto box = pages[1].getKey("/MediaBox").getArrayAsRectangle();
    EXPECT_NEAR(box.urx * 25.4 / 72, 210, 0.01);
    EXPECT_NEAR(box.ury * 25.4 / 72, 148, 0.01);
    EXPECT_EQ(pdf->getRoot().getKey("/AcroForm").getKey("/Fields").getArrayNItems(), 1);
}

}  // namespace
}  // namespace vellumark::testing
