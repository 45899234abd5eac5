// A font the OFD only names is drawn with an installed face that fits the
// name, carried in the page as a small subset: the text reads back, and it
// draws exactly as the same face would if the OFD had embedded it.
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>

#include <QBuffer>
#include <QFile>
#include <QPdfDocument>
#include <QRawFont>

#include "ofd/ofd.h"
#include "ofd_helpers.h"

namespace ofd::testing {
namespace {

constexpr const char* kMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

Entries TextOfd(const std::string& fontName, const std::string& text,
                const std::string& fontFile = "") {
    std::string font = "<ofd:Fonts><ofd:Font ID=\"6\" FontName=\"" + fontName + "\">";
    if (!fontFile.empty())
        font += "<ofd:FontFile>f.ttf</ofd:FontFile>";
    Entries e = MinimalOfd(
        R"(<ofd:TextObject ID="5" Boundary="5 5 90 20" Font="6" Size="8"><ofd:TextCode X="0" Y="10" DeltaX="g 20 4.5">)" +
            text + "</ofd:TextCode></ofd:TextObject>",
        font + "</ofd:Font></ofd:Fonts>");
    if (!fontFile.empty())
        e["Doc_0/Res/f.ttf"] = fontFile;
    return e;
}

std::string PagePdfOf(const Entries& e) {
    auto opened = OpenOfdBytes(Zip(e));
    if (!std::holds_alternative<OfdDocument>(opened))
        return {};
    auto page = std::get<OfdDocument>(opened).PageAsPdf(0);
    return std::holds_alternative<PagePdf>(page) ? std::get<PagePdf>(page).pdf : std::string();
}

// The font program of the page's one font; empty when not embedded.
std::string FontProgram(const std::string& pdf) {
    QPDF read;
    read.processMemoryFile("page", pdf.data(), pdf.size());
    QPDFObjectHandle page = read.getAllPages().at(0);
    auto fonts = page.getKey("/Resources").getKey("/Font");
    for (const std::string& name : fonts.getKeys()) {
        auto descriptor =
            fonts.getKey(name).getKey("/DescendantFonts").getArrayItem(0).getKey("/FontDescriptor");
        if (auto file = descriptor.getKey("/FontFile2"); file.isStream()) {
            auto data = file.getStreamData(qpdf_dl_all);
            return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        }
    }
    return {};
}

TEST(OfdFonts, ANamedFontIsASubsetOfAFittingFace) {
    const struct {
        const char* name;
        const char* text;
        const char* family;  // of the face drawn with
    } kCases[] = {
        {"宋体", "发票号码：12", "AR PL UMing"},
        {"楷体", "购买方信息", "AR PL UKai"},
        {"KaiTi_GB2312", "名称", "AR PL UKai"},
        {"SimHei", "合计¥3", "AR PL UMing"},
        {"DejaVu Sans Mono", "91460300", "DejaVu Sans Mono"},
        // The named face lacks the characters: a face that has them.
        {"DejaVu Sans Mono", "金额100", "AR PL UMing"},
        // Not installed: the Song face's own Latin letters, as before.
        {"Courier New", "0051/+53", "AR PL UMing"},
        // Set for no character, and carried all the same.
        {"宋体", "", "AR PL UMing"},
    };
    if (!QFile::exists("/usr/share/fonts/truetype/arphic/uming.ttc") || !QFile::exists(kMono))
        GTEST_SKIP() << "the stand-in faces are not installed";
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.text);
        const std::string pdf = PagePdfOf(TextOfd(c.name, c.text));
        ASSERT_FALSE(Render(pdf).isNull());
        EXPECT_EQ(PageText(pdf), QString::fromUtf8(c.text));
        const std::string program = FontProgram(pdf);
        // Just the glyphs used, not a face of megabytes.
        EXPECT_LT(program.size(), 100'000u) << program.size();
        const QRawFont face(QByteArray::fromStdString(program), 10);
        EXPECT_TRUE(face.familyName().startsWith(c.family)) << face.familyName().toStdString();
    }
}

TEST(OfdFonts, AStandInDrawsAsTheSameFaceEmbedded) {
    QFile file(kMono);
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no " << kMono;
    const std::string text = "Hello, 2024-05-28 A1";
    const QImage embedded =
        Render(PagePdfOf(TextOfd("DejaVu Sans Mono", text, file.readAll().toStdString())));
    const QImage named = Render(PagePdfOf(TextOfd("DejaVu Sans Mono", text)));
    ASSERT_FALSE(named.isNull());
    EXPECT_TRUE(named == embedded);
}

}  // namespace
}  // namespace ofd::testing
