// vellumark-cli on folders with OFD packages: every page of every package
// goes onto the sheets beside the PDFs, a package that cannot be read is
// named with its reason and exit code 3, and the folder keeps every byte.
#include "cli_process.h"
#include "drawn_pages.h"
#include "fixtures/invoice_fixtures.h"
#include "ofd_helpers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vellumark::testing {
namespace {

std::string GoodOfd() {
    return ofd::testing::Zip(ofd::testing::MinimalOfd(
        R"(<ofd:TextObject ID="5" Boundary="10 10 80 10" Font="3" Size="5"><ofd:TextCode X="0" Y="5">发票</ofd:TextCode></ofd:TextObject>)",
        "", "0 0 210 140"));
}

std::string Climbing() {
    ofd::testing::Entries entries = ofd::testing::MinimalOfd("");
    entries["../../x"] = "x";
    return ofd::testing::Zip(entries);
}

struct MergeCase {
    const char* name;
    std::vector<std::string> corpus;  // packages taken from the corpus
    std::vector<std::pair<std::string, std::string>>
        files;  // made here: name, bytes ("pdf": a PDF)
    int exitCode;
    std::size_t images;
    std::vector<std::string> named;  // on stderr
};

std::size_t ImagesIn(const std::string& pdf) {
    std::size_t images = 0;
    for (const DrawnPage& page : ReadDrawnPages(pdf))
        images += page.images.size();
    return images;
}

TEST(CliOfd, FoldersWithPackagesAreMergedWhole) {
    const MergeCase cases[] = {
        {"mixed",
         {"20240531141733.ofd", "999.ofd"},
         {{"a.pdf", "pdf"}, {"z.pdf", "pdf"}},
         0,
         2 + 1 + 5,
         {}},
        {"packages only", {}, {{"a.ofd", GoodOfd()}, {"b.ofd", GoodOfd()}}, 0, 2, {}},
        {"bad packages",
         {},
         {{"good.pdf", "pdf"},
          {"not-zip.ofd", "PK but no zip"},
          {"climbing.ofd", Climbing()},
          {"good.ofd", GoodOfd()}},
         3,
         2,
         {"not-zip.ofd：不是OFD文件（不是压缩包）", "climbing.ofd：OFD文件含有不安全的文件名"}},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.corpus.empty() && CorpusDir().empty())
            continue;
        TempDir folder, work;
        for (const std::string& file : c.corpus)
            CopyFile(CorpusDir() + "/ofd/" + file, folder / file);
        for (const auto& [name, bytes] : c.files) {
            if (bytes == "pdf")
                ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / name, fixtures::ShortPage(name)));
            else
                WriteFile(folder / name, bytes);
        }
        const auto before = Snapshot(folder.path());
        const CliRun run = RunCli({"merge", folder.path(), "--output", work / "o.pdf"});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(ImagesIn(work / "o.pdf"), c.images);
        for (const std::string& named : c.named)
            EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
        EXPECT_EQ(Snapshot(folder.path()), before);
    }
}

// Every layout places package pages as it places PDF pages: an A4 package
// page, tall, among short ones.
TEST(CliOfd, EveryLayoutPlacesPackagePages) {
    TempDir folder;
    WriteFile(folder / "a.ofd", GoodOfd());
    WriteFile(folder / "b.ofd", ofd::testing::Zip(ofd::testing::MinimalOfd("", "", "0 0 210 297")));
    ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / "c.pdf", fixtures::ShortPage("c")));
    for (const char* layout : {"a4-two", "a4-three", "a4-four", "a5-one", "a4-two-same"}) {
        SCOPED_TRACE(layout);
        TempDir work;
        const CliRun run =
            RunCli({"merge", folder.path(), "--layout", layout, "--output", work / "o.pdf"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        // Two copies of each on "a4-two-same".
        EXPECT_EQ(ImagesIn(work / "o.pdf"), std::string(layout) == "a4-two-same" ? 6u : 3u);
    }
}

}  // namespace
}  // namespace vellumark::testing
