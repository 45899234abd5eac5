// Damaged, encrypted and odd files: every page renders or fails cleanly.
#include "render/render_page.h"
#include "render_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <set>

using namespace vellumark::testing;

TEST(TrickyRender, EveryFileRendersOrFailsCleanly) {
    VELLUMARK_REQUIRE_CORPUS();
    const std::string folder = CorpusDir() + "/tricky";
    const std::set<std::string> needPassword = {
        "pdfminer__rc4-40.pdf", "pdfminer__aes-128.pdf", "pdfminer__aes-128-m.pdf",
        "pdfminer__aes-256-r6.pdf", "pdfplumber__password-example.pdf"};
    TempDir dir;
    int rendered = 0;
    for (const auto& name : ListFolder(folder)) {
        SCOPED_TRACE(name);
        const std::string out = dir / (name + ".png");
        // A low resolution keeps the sanitiser run short; the code path is the same.
        const auto outcome =
            RenderFilePage(folder + "/" + name, 1, pdfax::kImageFormatPng, 50, out);
        if (needPassword.count(name) != 0) {
            EXPECT_FALSE(outcome.opened);
        }
        EXPECT_EQ(Exists(out), outcome.rendered);
        if (outcome.rendered) {
            ++rendered;
            EXPECT_FALSE(LoadImage(out).isNull());
        }
    }
    EXPECT_GE(rendered, 15);
}

TEST(TrickyRender, StackedRotationsGiveTheLandscapeSize) {
    VELLUMARK_REQUIRE_CORPUS();
    TempDir dir;
    for (const char* name : {"pdfplumber__robocop_-90.pdf", "pdfplumber__robocop_270.pdf"}) {
        SCOPED_TRACE(name);
        const std::string out = dir / "r.png";
        ASSERT_TRUE(
            RenderFilePage(CorpusDir() + "/tricky/" + name, 1, pdfax::kImageFormatPng, 72, out)
                .rendered);
        const QImage image = LoadImage(out);
        EXPECT_GT(image.width(), image.height());
    }
}
