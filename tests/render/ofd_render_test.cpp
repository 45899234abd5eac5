// OFD pages through the renderer's own job: the package's page is made into
// a PDF in the renderer and drawn, read and answered like a PDF page; what
// cannot be shown is said, and a package that cannot be read is named with
// its own reason. The jobs and answers cross the renderer's socket whole.
#include "error_words.h"
#include "ofd_helpers.h"
#include "pdflib/problem_text.h"
#include "render/render_job.h"
#include "render/render_protocol.h"
#include "render_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vellumark::testing {
namespace {

pdfax::RenderJob OfdJob(const std::string& input, int page, const std::string& output) {
    pdfax::RenderJob job;
    job.input = input;
    job.inputFormat = pdfax::kInputOfd;
    job.page = page;
    job.format = pdfax::kImageFormatPng;
    job.output = output;
    job.readFacts = true;
    // The codes of these invoices stand in the top left quarter.
    job.codes.regions = {{0, 0, 0.5, 0.5}};
    job.codes.regionDpi = 300;
    return job;
}

std::string TextOf(const pdfax::RenderedImage& image) {
    std::string text;
    for (const auto& glyph : image.text)
        text += glyph.text;
    return text;
}

struct CorpusPage {
    const char* file;
    int page;
    const char* number;  // in the text layer
    bool code;           // a QR code that carries the number
    bool seal;           // a red seal drawn
};

const CorpusPage kPages[] = {
    {"20240531141733.ofd", 1, "24112000000048542163", true, true},
    {"keyword2.ofd", 1, "31471858", true, true},
    {"999.ofd", 1, "12235358", true, true},
    {"999.ofd", 5, "", false, false},
    {"SignScaleError.ofd", 1, "99934328", false, true},
};

TEST(OfdRender, CorpusPagesAreDrawnReadAndSealed) {
    VELLUMARK_REQUIRE_CORPUS();
    const pdfax::RendererSession session;
    TempDir dir;
    for (const CorpusPage& c : kPages) {
        SCOPED_TRACE(std::string(c.file) + " page " + std::to_string(c.page));
        const std::string output = dir / "page.png";
        const pdfax::RenderedImage image =
            pdfax::RenderJobToFile(OfdJob(CorpusDir() + "/ofd/" + c.file, c.page, output));
        ASSERT_EQ(image.error.problem, pdfax::Problem::kNone) << image.error.detail;
        EXPECT_TRUE(image.omitted.empty());
        const QImage drawn = LoadImage(output);
        EXPECT_EQ(drawn.width(), image.width);
        EXPECT_NEAR(image.width, 210 / 25.4 * 300, 3);
        EXPECT_NE(TextOf(image).find(c.number), std::string::npos) << TextOf(image).substr(0, 600);
        EXPECT_EQ(image.code.find(c.number) != std::string::npos && !image.code.empty(), c.code)
            << image.code;
        EXPECT_EQ(CountPixels(drawn, 0, 0, 1, 1).red > 500, c.seal);
    }
}

struct Refusal {
    const char* name;
    std::string bytes;
    int page;
    const char* words;
};

TEST(OfdRender, WhatCannotBeDrawnIsNamedInTheReadersWords) {
    const Refusal refusals[] = {
        {"not a zip", "%PDF-1.7 not a package", 1, ofd::kWordsNotZip},
        {"no such page", ofd::testing::Zip(ofd::testing::MinimalOfd("")), 2, ofd::kWordsNoSuchPage},
    };
    TempDir dir;
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        WriteFile(dir / "x.ofd", r.bytes);
        const pdfax::RenderedImage image =
            pdfax::RenderJobToFile(OfdJob(dir / "x.ofd", r.page, dir / "x.png"));
        EXPECT_EQ(image.error.problem, pdfax::Problem::kBadOfd);
        EXPECT_EQ(image.error.path, dir / "x.ofd");
        EXPECT_EQ(ProblemText(image.error), r.words);
        EXPECT_FALSE(Exists(dir / "x.png"));
    }
}

// A seal of a structure nobody knows: the page is drawn, and said to lack it.
TEST(OfdRender, APageDrawnWithoutItsSealSaysSo) {
    TempDir dir;
    WriteFile(dir / "x.ofd", ofd::testing::Zip(ofd::testing::WithOneSeal(
                                 ofd::testing::MinimalOfd(""), "50 20 30 20", "junk")));
    const pdfax::RenderedImage image =
        pdfax::RenderJobToFile(OfdJob(dir / "x.ofd", 1, dir / "x.png"));
    ASSERT_EQ(image.error.problem, pdfax::Problem::kNone);
    ASSERT_EQ(image.omitted.size(), 1u);
    EXPECT_EQ(image.omitted[0].words, ofd::kWordsSealUnknown);
    EXPECT_FALSE(image.omitted[0].detail.empty());
    EXPECT_TRUE(Exists(dir / "x.png"));
}

TEST(OfdRender, JobsAndAnswersCrossTheSocketWhole) {
    pdfax::RenderJob job = OfdJob("/发票/\xff.ofd", 3, "/tmp/3.png");
    int index = -1;
    pdfax::RenderJob back;
    ASSERT_TRUE(pdfax::DecodeJob(pdfax::EncodeJob(7, job), index, back));
    EXPECT_EQ(index, 7);
    EXPECT_EQ(back.input, job.input);
    EXPECT_EQ(back.inputFormat, pdfax::kInputOfd);
    EXPECT_EQ(back.page, 3);

    pdfax::RenderedImage image;
    image.error = {"RenderPagesToFiles", job.input, pdfax::Problem::kBadOfd, "词\ncause"};
    image.omitted = {{"印章", "why"}, {"图片", ""}};
    const std::string message = pdfax::EncodeImage(2, image);
    pdfax::RenderedImage answer;
    ASSERT_TRUE(pdfax::DecodeImage(message, index, answer));
    EXPECT_EQ(answer.error.problem, pdfax::Problem::kBadOfd);
    EXPECT_EQ(answer.error.detail, "词\ncause");
    ASSERT_EQ(answer.omitted.size(), 2u);
    EXPECT_EQ(answer.omitted[0].words, "印章");
    EXPECT_EQ(answer.omitted[1].words, "图片");
    // A message cut anywhere in the omissions is refused.
    for (std::size_t cut = 1; cut <= 12; ++cut)
        EXPECT_FALSE(pdfax::DecodeImage(message.substr(0, message.size() - cut), index, answer));
}

}  // namespace
}  // namespace vellumark::testing
