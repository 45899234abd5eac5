// Chinese text in fonts without a ToUnicode map: the predefined CMaps
// decoded through the installed CMap data, CIDs read through their
// collection where they are CIDs and not where they are glyph numbers, and
// what is left when the data are not installed.
#include "text/font_decoder.h"
#include "text/predefined_cmap.h"

#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>

#include <iconv.h>

#include <string>

namespace pdfax {
namespace {

// `text` (UTF-8) in `charset`, by the C library's converter.
std::string Encode(const std::string& text, const char* charset) {
    const iconv_t convert = iconv_open(charset, "UTF-8");
    EXPECT_NE(convert, reinterpret_cast<iconv_t>(-1)) << charset;
    std::string in = text, out(text.size() * 4, '\0');
    char* from = in.data();
    char* to = out.data();
    std::size_t left = in.size(), room = out.size();
    EXPECT_NE(iconv(convert, &from, &left, &to, &room), static_cast<std::size_t>(-1)) << charset;
    iconv_close(convert);
    out.resize(out.size() - room);
    return out;
}

// A composite font as invoices carry it: not embedded unless `descriptor`
// says so, no ToUnicode map.
QPDFObjectHandle Font(const std::string& encoding, const std::string& subtype = "CIDFontType2",
                      const std::string& descriptor = "") {
    return QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type0 /BaseFont /SimSun /Encoding /" + encoding +
        " /DescendantFonts [<< /Type /Font /Subtype /" + subtype +
        " /BaseFont /SimSun /CIDSystemInfo << /Registry (Adobe) /Ordering (GB1) /Supplement 2 >>"
        " /DW 1000 /W [814 907 500 1 95 500] " +
        descriptor + " >>] >>");
}

std::string TextOf(const FontDecoder& decoder, const std::string& bytes) {
    std::string text;
    for (const ShownCode& code : decoder.Decode(bytes))
        text += code.text;
    return text;
}

TEST(TextEncoding, EveryChineseEncodingReadsAsWritten) {
    const std::string invoice = "发票号码：2024年 ￥740.00";
    struct Case {
        const char* encoding;
        const char* charset;  // how the font's strings are written
        std::string text;
    };
    const Case cases[] = {
        {"GBK-EUC-H", "GBK", invoice},
        {"GBK-EUC-V", "GBK", invoice},
        {"GBKp-EUC-H", "GBK", invoice},
        {"GBKp-EUC-V", "GBK", invoice},
        {"GB-EUC-H", "GB2312", invoice},
        {"GB-EUC-V", "GB2312", invoice},
        {"GBpc-EUC-H", "GB2312", invoice},
        {"GBpc-EUC-V", "GB2312", invoice},
        {"UniGB-UCS2-H", "UTF-16BE", invoice},
        {"UniGB-UCS2-V", "UTF-16BE", invoice},
        // A character beyond the Basic Multilingual Plane takes four bytes.
        {"UniGB-UTF16-H", "UTF-16BE", invoice + "𠂇"},
        {"UniGB-UTF16-V", "UTF-16BE", invoice + "𠂇"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        const FontDecoder decoder(Font(c.encoding));
        const std::vector<ShownCode> codes = decoder.Decode(Encode(c.text, c.charset));
        std::string text;
        for (const ShownCode& code : codes)
            text += code.text;
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(decoder.Vertical(), std::string(c.encoding).back() == 'V');
        if (decoder.Vertical())
            continue;
        // Widths by CID: the Chinese at the default, the Roman at their own.
        ASSERT_GE(codes.size(), 8u);
        EXPECT_EQ(codes[0].width, 1000);
        EXPECT_EQ(codes[5].width, 500);  // "2"
    }
}

TEST(TextEncoding, CidsReadAsTextOnlyWhereTheyAreTheCollections) {
    // 发 is CID 1599 and 票 3024 of Adobe-GB1; "0" is CID 17.
    const std::string cids("\x06\x3f\x0b\xd0\x00\x11", 6);
    EXPECT_EQ(TextOf(FontDecoder(Font("Identity-H", "CIDFontType0")), cids), "发票0");
    EXPECT_EQ(TextOf(FontDecoder(Font("Identity-H")), cids), "发票0");
    // An embedded TrueType font's codes are its glyph numbers, whatever
    // collection it claims: read as CIDs they would be wrong text.
    const FontDecoder embedded(
        Font("Identity-H", "CIDFontType2", "/FontDescriptor << /FontFile2 1 >>"));
    EXPECT_EQ(TextOf(embedded, cids), "");
    // A ToUnicode map says what its codes are; the collection adds nothing.
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle mapped = Font("Identity-H", "CIDFontType0");
    mapped.replaceKey("/ToUnicode", pdf.newStream("1 beginbfchar <063f> <4E2D> endbfchar"));
    EXPECT_EQ(TextOf(FontDecoder(mapped), cids), "中");
}

TEST(TextEncoding, NamesThatAreNoCMapsReadNothingAndReachNoFile) {
    for (const char* name : {"..#2F..#2F..#2Fetc#2Fpasswd", "NoSuchCMap-H", "-H"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(TextOf(FontDecoder(Font(name)), "\xb7\xa2\xc6\xb1"), "");
    }
    EXPECT_EQ(FindPredefinedCMap("../../../../etc/passwd").cmap, nullptr);
    EXPECT_EQ(FindCollection("../Adobe-GB1"), nullptr);
}

TEST(TextEncoding, WithoutTheDataTheTextIsLeftOutAndSaidSo) {
    SetEncodingDataFolder("/nonexistent/poppler");
    ::testing::internal::CaptureStderr();
    const std::string gbk = Encode("发票号码：12", "GBK");
    EXPECT_EQ(TextOf(FontDecoder(Font("GBK-EUC-H")), gbk), "");
    EXPECT_EQ(TextOf(FontDecoder(Font("Identity-H", "CIDFontType0")), "\x06\x3f"), "");
    // Unicode encodings need no data for their text.
    EXPECT_EQ(TextOf(FontDecoder(Font("UniGB-UCS2-H")), Encode("发票", "UTF-16BE")), "发票");
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("poppler-data"), std::string::npos) << said;
    EXPECT_EQ(said.find("poppler-data"), said.rfind("poppler-data")) << "said once: " << said;
    SetEncodingDataFolder("");
    EXPECT_EQ(TextOf(FontDecoder(Font("GBK-EUC-H")), gbk), "发票号码：12");
}

}  // namespace
}  // namespace pdfax
