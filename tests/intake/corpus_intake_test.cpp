#include "intake_fixture.h"
#include "page_contents.h"

#include <sys/stat.h>

#include <set>

namespace vellumark::testing {
namespace {

std::string PageFileName(const std::string& name, int page) {
    return FileNameWithoutExtension("/" + name) + "(第" + std::to_string(page) + "页).pdf";
}

class CorpusIntakeTest : public IntakeTest {
protected:
    // Takes in a copy of one corpus folder and checks that every page of
    // every original is still there afterwards.
    void CheckFolder(const std::string& original) {
        SCOPED_TRACE(original);
        const std::string copy = dir_ / std::to_string(++folders_);
        ASSERT_EQ(mkdir(copy.c_str(), 0755), 0);
        const auto names = ListFolder(original);
        for (const auto& name : names)
            CopyFile(original + "/" + name, copy + "/" + name);

        ASSERT_EQ(Intake(copy), BuildResult::kListed);
        const auto after = ListFolder(copy);
        std::set<std::string> expected;
        for (const auto& name : names) {
            SCOPED_TRACE(name);
            const std::string bytes = ReadFile(original + "/" + name);
            if (Exists(copy + "/" + name)) {
                EXPECT_EQ(ReadFile(copy + "/" + name), bytes);
                expected.insert(name);
                continue;
            }
            // Deleted: only a multi-page source whose pages all exist.
            const int pages = PagesOf(original + "/" + name);
            ASSERT_GT(pages, 1);
            ++splits_;
            const auto imprints = PageImprints(original + "/" + name);
            for (int page = 1; page <= pages; ++page) {
                const std::string pageFile = copy + "/" + PageFileName(name, page);
                expected.insert(PageFileName(name, page));
                ASSERT_TRUE(Exists(pageFile)) << page;
                EXPECT_EQ(PagesOf(pageFile), 1) << page;
                if (static_cast<int>(imprints.size()) != pages)
                    continue;
                const auto written = PageImprints(pageFile);
                ASSERT_EQ(written.size(), 1u) << page;
                EXPECT_EQ(written[0], imprints[page - 1]) << page;
            }
        }
        EXPECT_EQ(std::set<std::string>(after.begin(), after.end()), expected);
        EXPECT_EQ(rows_.rowCount(), static_cast<int>(after.size()));
    }

    int folders_ = 0;
    int splits_ = 0;
};

TEST_F(CorpusIntakeTest, NoPageOfAnyOriginalIsLost) {
    VELLUMARK_REQUIRE_CORPUS();
    const std::string invoices = CorpusDir() + "/invoices";
    for (const auto& sub : ListFolder(invoices))
        CheckFolder(invoices + "/" + sub);
    CheckFolder(CorpusDir() + "/tricky");
    // The tricky folder holds multi-page files that open without a password.
    EXPECT_GT(splits_, 0);
}

}  // namespace
}  // namespace vellumark::testing
