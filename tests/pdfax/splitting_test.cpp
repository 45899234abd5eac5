// Splitting files into pages: what the new files hold, and what is never
// written over.
#include "fixtures/invoice_fixtures.h"
#include "pdf_edit.h"
#include "test_support.h"

namespace vellumark::testing {
namespace {

using fixtures::FixturePage;

std::string WriteThreePages(const TempDir& dir) {
    FixturePage sealed = fixtures::ShortPage("ONE");
    sealed.sealInSignature = true;
    FixturePage stamped = fixtures::TallPage("TWO");
    stamped.sealAsStamp = true;
    stamped.rotate = 90;
    FixturePage plain = fixtures::ShortPage("THREE");
    const std::string path = dir / "three.pdf";
    EXPECT_TRUE(fixtures::WriteInvoicePdf(path, {sealed, stamped, plain}));
    return path;
}

void ExpectSameAnnotations(QPDFObjectHandle source, QPDFObjectHandle copy) {
    QPDFObjectHandle from = source.getKey("/Annots");
    QPDFObjectHandle to = copy.getKey("/Annots");
    if (!from.isArray()) {
        EXPECT_FALSE(to.isArray() && to.getArrayNItems() > 0);
        return;
    }
    ASSERT_TRUE(to.isArray());
    ASSERT_EQ(to.getArrayNItems(), from.getArrayNItems());
    for (int i = 0; i < from.getArrayNItems(); ++i) {
        QPDFObjectHandle a = from.getArrayItem(i);
        QPDFObjectHandle b = to.getArrayItem(i);
        EXPECT_EQ(b.getKey("/Subtype").unparse(), a.getKey("/Subtype").unparse());
        EXPECT_EQ(b.getKey("/Rect").unparse(), a.getKey("/Rect").unparse());
        EXPECT_EQ(b.getKey("/F").unparse(), a.getKey("/F").unparse());
        EXPECT_EQ(StreamData(b.getKey("/AP").getKey("/N")),
                  StreamData(a.getKey("/AP").getKey("/N")));
    }
}

TEST(Splitting, OnePageFilesMatchTheSourcePages) {
    TempDir dir;
    const std::string source = WriteThreePages(dir);
    auto original = OpenWithQpdf(source);
    auto sourcePages = PagesOf(*original);
    for (int p = 1; p <= 3; ++p) {
        SCOPED_TRACE(p);
        const std::string target = dir / ("three(" + std::to_string(p) + ").pdf");
        ASSERT_NE(Library().ExtractFilePages(source, "", target, std::to_string(p)), 0);
        auto copy = OpenWithQpdf(target);
        auto pages = PagesOf(*copy);
        ASSERT_EQ(pages.size(), 1u);
        QPDFObjectHandle from = sourcePages[static_cast<std::size_t>(p - 1)];
        EXPECT_EQ(PageContent(pages[0]), PageContent(from));
        EXPECT_EQ(pages[0].getKey("/Rotate").unparse(), from.getKey("/Rotate").unparse());
        ExpectSameAnnotations(from, pages[0]);
    }
    // The seal of page 1 stays a signature field that viewers draw.
    auto first = OpenWithQpdf(dir / "three(1).pdf");
    QPDFObjectHandle fields = first->getRoot().getKey("/AcroForm").getKey("/Fields");
    ASSERT_TRUE(fields.isArray());
    ASSERT_EQ(fields.getArrayNItems(), 1);
    EXPECT_EQ(fields.getArrayItem(0).getKey("/FT").getName(), "/Sig");
    EXPECT_EQ(fields.getArrayItem(0).getObjGen(),
              PagesOf(*first).at(0).getKey("/Annots").getArrayItem(0).getObjGen());
    // Only the split files are left: no temporary files in the folder.
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"three(1).pdf", "three(2).pdf",
                                                                "three(3).pdf", "three.pdf"}));
}

TEST(Splitting, PageListsChooseAndOrderPages) {
    TempDir dir;
    const std::string source = WriteThreePages(dir);
    auto original = OpenWithQpdf(source);
    auto sourcePages = PagesOf(*original);
    auto contentsOf = [](const std::string& path) {
        auto pdf = OpenWithQpdf(path);
        std::vector<std::string> contents;
        for (auto& page : PagesOf(*pdf))
            contents.push_back(PageContent(page));
        return contents;
    };
    ASSERT_NE(Library().ExtractFilePages(source, "", dir / "a.pdf", "1,3"), 0);
    EXPECT_EQ(contentsOf(dir / "a.pdf"),
              (std::vector<std::string>{PageContent(sourcePages[0]), PageContent(sourcePages[2])}));
    ASSERT_NE(Library().ExtractFilePages(source, "", dir / "b.pdf", "2-3"), 0);
    EXPECT_EQ(contentsOf(dir / "b.pdf").size(), 2u);

    for (const char* list : {"", "0", "4", "a", "3-2", "1,,2", "1,", "-1", "2-", "1,1",
                             "1-99999999999999999999", "1.5"}) {
        SCOPED_TRACE(list);
        EXPECT_EQ(Library().ExtractFilePages(source, "", dir / "bad.pdf", list), 0);
        EXPECT_FALSE(Exists(dir / "bad.pdf"));
    }
}

TEST(Splitting, NeverWritesOverAnExistingTarget) {
    TempDir dir;
    const std::string source = WriteThreePages(dir);
    ASSERT_TRUE(fixtures::WriteInvoicePdf(dir / "taken.pdf", fixtures::ShortPage("OLD")));
    const std::string sourceBytes = ReadFile(source);
    const std::string takenBytes = ReadFile(dir / "taken.pdf");
    EXPECT_EQ(Library().ExtractFilePages(source, "", dir / "taken.pdf", "1"), 0);
    EXPECT_EQ(Library().ExtractFilePages(source, "", source, "1"), 0);
    EXPECT_EQ(ReadFile(source), sourceBytes);
    EXPECT_EQ(ReadFile(dir / "taken.pdf"), takenBytes);
    // No folder to write into, or a target that is a folder.
    EXPECT_EQ(Library().ExtractFilePages(source, "", dir / "no/such/x.pdf", "1"), 0);
    EXPECT_EQ(Library().ExtractFilePages(source, "", dir.path(), "1"), 0);
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"taken.pdf", "three.pdf"}));
}

TEST(Splitting, LockedAndBrokenSourcesGiveNothing) {
    TempDir dir;
    ASSERT_TRUE(fixtures::WriteEncryptedPdf(dir / "locked.pdf", "secret"));
    ASSERT_TRUE(fixtures::WriteTruncatedPdf(dir / "cut.pdf"));
    EXPECT_EQ(Library().ExtractFilePages(dir / "locked.pdf", "", dir / "l1.pdf", "1"), 0);
    EXPECT_EQ(Library().ExtractFilePages(dir / "cut.pdf", "", dir / "c1.pdf", "1"), 0);
    EXPECT_EQ(Library().ExtractFilePages(dir / "missing.pdf", "", dir / "m1.pdf", "1"), 0);
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"cut.pdf", "locked.pdf"}));
    // With its password the pages come out, still protected by it.
    ASSERT_NE(Library().ExtractFilePages(dir / "locked.pdf", "secret", dir / "l1.pdf", "1"), 0);
    EXPECT_EQ(Library().LoadFromFile(dir / "l1.pdf", ""), 0);
    EXPECT_EQ(Library().LoadFromFile(dir / "l1.pdf", "secret"), 1);
}

// Real invoices keep their seal in a signature field; a split copy must still
// list that field, or viewers drop the seal.
TEST(Splitting, CorpusSignatureFieldsSurvive) {
    VELLUMARK_REQUIRE_CORPUS();
    const std::string folder = CorpusDir() + "/invoices/mxvc-invoice";
    TempDir dir;
    int withFields = 0;
    for (const std::string& name : ListFolder(folder)) {
        SCOPED_TRACE(name);
        auto original = OpenWithQpdf(folder + "/" + name);
        QPDFObjectHandle form = original->getRoot().getKey("/AcroForm");
        if (!form.isDictionary() || !form.getKey("/Fields").isArray())
            continue;
        const std::string target = dir / name;
        ASSERT_NE(Library().ExtractFilePages(folder + "/" + name, "", target, "1"), 0);
        auto copy = OpenWithQpdf(target);
        QPDFObjectHandle fields = copy->getRoot().getKey("/AcroForm").getKey("/Fields");
        ASSERT_TRUE(fields.isArray());
        EXPECT_EQ(fields.getArrayNItems(), form.getKey("/Fields").getArrayNItems());
        EXPECT_EQ(PageContent(PagesOf(*copy).at(0)), PageContent(PagesOf(*original).at(0)));
        ++withFields;
    }
    EXPECT_GT(withFields, 0);
}

}  // namespace
}  // namespace vellumark::testing
