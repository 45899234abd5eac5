// A made-up page with each kind of drawing lands its pixels where the OFD
// puts them: every path operator, a clip, a template under the content,
// text readable back, and seals as a picture and as an OFD of their own.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QPdfDocument>

#include "ofd/ofd.h"
#include "ofd_helpers.h"

namespace ofd::testing {
namespace {

const char* kNs = R"( xmlns:ofd="http://www.ofdspec.org/2016")";

std::string Fill(const char* rgb) {
    return std::string("<ofd:FillColor Value=\"") + rgb + "\" ColorSpace=\"2\"/>";
}

std::string Path(const char* box, const std::string& inner, const char* data,
                 const char* more = R"( Fill="true" Stroke="false")") {
    return std::string("<ofd:PathObject ID=\"9\" Boundary=\"") + box + "\"" + more + ">" + inner +
           "<ofd:AbbreviatedData>" + data + "</ofd:AbbreviatedData></ofd:PathObject>";
}

std::string Signature(const char* id, const char* box) {
    return std::string("<ofd:Signature") + kNs +
           "><ofd:SignedInfo><ofd:StampAnnot ID=\"1\" "
           "PageRef=\"1\" Boundary=\"" +
           box + "\"/></ofd:SignedInfo><ofd:SignedValue>/Doc_0/Signs/" + id +
           ".dat</ofd:SignedValue></ofd:Signature>";
}

Entries DrawingOfd() {
    const std::string clip =
        R"(<ofd:Clips><ofd:Clip><ofd:Area><ofd:Path Boundary="0 0 5 5"><ofd:AbbreviatedData>M 5 5 L 10 5 L 10 10 L 5 10 C</ofd:AbbreviatedData></ofd:Path></ofd:Area></ofd:Clip></ofd:Clips>)";
    const std::string content =
        Path("0 0 100 60", Fill("0 0 255"), "M 30 10 A 5 5 0 1 1 30 20 A 5 5 0 1 1 30 10 C") +
        Path("0 0 100 60", Fill("0 160 0"),
             "S 40 5 Q 45 15 50 5 B 52 5 58 15 60 5 L 60 20 L 40 20 C") +
        Path("65 5 30 20", clip + Fill("255 0 0"), "M 0 0 L 30 0 L 30 20 L 0 20 C") +
        Path("0 0 100 60", "", "M 5 30 L 95 30", R"( LineWidth="1")") +
        R"(<ofd:TextObject ID="5" Boundary="5 45 80 10" Font="3" Size="5"><ofd:TextCode X="0" Y="5" DeltaX="5">发票</ofd:TextCode></ofd:TextObject>)";
    Entries e = MinimalOfd(content);
    e["Doc_0/Document.xml"] =
        std::string("<ofd:Document") + kNs +
        "><ofd:CommonData><ofd:PageArea><ofd:PhysicalBox>0 0 100 "
        "60</ofd:PhysicalBox></ofd:PageArea>"
        "<ofd:PublicRes>PublicRes.xml</ofd:PublicRes><ofd:TemplatePage ID=\"7\" "
        "BaseLoc=\"Tpls/Tpl_0/Content.xml\"/></ofd:CommonData><ofd:Pages><ofd:Page ID=\"1\" "
        "BaseLoc=\"Pages/Page_0/Content.xml\"/></ofd:Pages></ofd:Document>";
    std::string& page = e["Doc_0/Pages/Page_0/Content.xml"];
    page.insert(page.find("<ofd:Content>"),
                R"(<ofd:Template TemplateID="7" ZOrder="Background"/>)");
    e["Doc_0/Tpls/Tpl_0/Content.xml"] =
        std::string("<ofd:Page") + kNs + "><ofd:Content><ofd:Layer ID=\"8\">" +
        Path("5 5 10 10", Fill("0 0 0"), "M 0 0 L 10 0 L 10 10 L 0 10 C") +
        "</ofd:Layer></ofd:Content></ofd:Page>";
    e["OFD.xml"] = std::string("<ofd:OFD") + kNs +
                   "><ofd:DocBody><ofd:DocRoot>Doc_0/Document.xml"
                   "</ofd:DocRoot><ofd:Signatures>Doc_0/Signs/Signatures.xml</ofd:Signatures></"
                   "ofd:DocBody></ofd:OFD>";
    e["Doc_0/Signs/Signatures.xml"] =
        std::string("<ofd:Signatures") + kNs +
        "><ofd:Signature ID=\"1\" BaseLoc=\"Sign_0/Signature.xml\"/><ofd:Signature ID=\"2\" "
        "BaseLoc=\"/Doc_0/Signs/Sign_1/Signature.xml\"/></ofd:Signatures>";
    e["Doc_0/Signs/Sign_0/Signature.xml"] = Signature("png", "10 35 20 15");
    e["Doc_0/Signs/png.dat"] = SealDer("png", Png(40, 30, QColor(255, 0, 0)), 20, 15);
    e["Doc_0/Signs/Sign_1/Signature.xml"] = Signature("ofd", "50 35 30 20");
    const std::string seal = Zip(MinimalOfd(
        Path("0 0 30 20", Fill("255 0 0"), "M 0 10 A 15 10 0 1 1 30 10 A 15 10 0 1 1 0 10 C"), "",
        "0 0 30 20"));
    e["Doc_0/Signs/ofd.dat"] = SealDer("ofd", seal, 30, 20);
    return e;
}

TEST(OfdDrawing, EachPartLandsWhereTheOfdPutsIt) {
    auto opened = OpenOfdBytes(Zip(DrawingOfd()));
    ASSERT_TRUE(std::holds_alternative<OfdDocument>(opened)) << std::get<Error>(opened).detail;
    auto page = std::get<OfdDocument>(opened).PageAsPdf(0);
    ASSERT_TRUE(std::holds_alternative<PagePdf>(page));
    ASSERT_TRUE(std::get<PagePdf>(page).omitted.empty())
        << std::get<PagePdf>(page).omitted[0].detail;
    const QImage image = Render(std::get<PagePdf>(page).pdf);
    ASSERT_EQ(image.height(), qRound(60 * 300 / 25.4));
    const struct {
        const char* what;
        double x, y;
        QColor color;
    } kPixels[] = {
        {"template under the page", 10, 10, Qt::black},
        {"arc-drawn circle, centre", 30, 15, Qt::blue},
        {"outside the circle", 25.5, 10.5, Qt::white},
        {"under the quadratic and cubic curves", 50, 18, QColor(0, 160, 0)},
        {"above the quadratic's dip", 45, 6, Qt::white},
        {"inside the clip", 72.5, 12.5, Qt::red},
        {"clipped away", 90, 20, Qt::white},
        {"stroked line", 50, 30, Qt::black},
        {"picture seal", 20, 42, Qt::red},
        {"OFD seal", 65, 45, Qt::red},
        {"beside the OFD seal's ellipse", 50.7, 35.7, Qt::white},
    };
    for (const auto& p : kPixels) {
        const QColor got = At(image, p.x, p.y);
        EXPECT_LT(std::abs(got.red() - p.color.red()) + std::abs(got.green() - p.color.green()) +
                      std::abs(got.blue() - p.color.blue()),
                  60)
            << p.what << ": " << got.name().toStdString();
    }
    EXPECT_TRUE(PageText(std::get<PagePdf>(page).pdf).contains(QStringLiteral("发票")));
}

// An embedded TrueType font is embedded and its text reads back.
TEST(OfdDrawing, EmbeddedFontTextReadsBack) {
    QFile font("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
    if (!font.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no DejaVuSansMono";
    Entries e = MinimalOfd(
        R"(<ofd:TextObject ID="5" Boundary="5 5 80 10" Font="6" Size="5"><ofd:TextCode X="0" Y="5" DeltaX="g 4 3.01">Hello</ofd:TextCode></ofd:TextObject>)",
        R"(<ofd:Fonts><ofd:Font ID="6" FontName="DejaVu"><ofd:FontFile>dv.ttf</ofd:FontFile></ofd:Font></ofd:Fonts>)");
    e["Doc_0/Res/dv.ttf"] = font.readAll().toStdString();
    auto opened = OpenOfdBytes(Zip(e));
    ASSERT_TRUE(std::holds_alternative<OfdDocument>(opened));
    auto page = std::get<OfdDocument>(opened).PageAsPdf(0);
    ASSERT_TRUE(std::holds_alternative<PagePdf>(page));
    const std::string& pdf = std::get<PagePdf>(page).pdf;
    EXPECT_NE(pdf.find("/FontFile2"), std::string::npos);
    EXPECT_TRUE(PageText(pdf).contains("Hello")) << PageText(pdf).toStdString();
    const QImage image = Render(pdf);
    int dark = 0;
    for (double x = 5; x < 20; x += 0.1)
        for (double y = 5; y < 11; y += 0.1)
            dark += At(image, x, y).lightness() < 128;
    EXPECT_GT(dark, 200);
}

}  // namespace
}  // namespace ofd::testing
