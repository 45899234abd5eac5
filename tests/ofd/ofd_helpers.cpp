#include "ofd_helpers.h"

#include <zip.h>

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/TextUtfEncoding.h>
#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfDocument>

#include <vector>

namespace ofd::testing {

std::string Zip(const Entries& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    for (const auto& [name, data] : entries) {
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_RAW);
    }
    zip_close(archive);
    std::string out;
    zip_source_open(buffer);
    zip_source_seek(buffer, 0, SEEK_END);
    out.resize(static_cast<std::size_t>(zip_source_tell(buffer)));
    zip_source_seek(buffer, 0, SEEK_SET);
    zip_source_read(buffer, out.data(), out.size());
    zip_source_close(buffer);
    zip_source_free(buffer);
    return out;
}

Entries MinimalOfd(const std::string& content, const std::string& res, const std::string& box) {
    const std::string ns = R"( xmlns:ofd="http://www.ofdspec.org/2016")";
    return {
        {"OFD.xml", "<ofd:OFD" + ns +
                        "><ofd:DocBody><ofd:DocRoot>Doc_0/Document.xml</ofd:DocRoot>"
                        "</ofd:DocBody></ofd:OFD>"},
        {"Doc_0/Document.xml",
         "<ofd:Document" + ns + "><ofd:CommonData><ofd:PageArea><ofd:PhysicalBox>" + box +
             "</ofd:PhysicalBox></ofd:PageArea><ofd:PublicRes>PublicRes.xml</ofd:PublicRes>"
             "</ofd:CommonData><ofd:Pages><ofd:Page ID=\"1\" BaseLoc=\"Pages/Page_0/Content.xml\"/>"
             "</ofd:Pages></ofd:Document>"},
        {"Doc_0/PublicRes.xml", "<ofd:Res" + ns +
                                    " BaseLoc=\"Res\"><ofd:ColorSpaces><ofd:ColorSpace ID=\"2\" "
                                    "Type=\"RGB\"/></ofd:ColorSpaces><ofd:Fonts><ofd:Font ID=\"3\" "
                                    "FontName=\"宋体\"/></ofd:Fonts>" +
                                    res + "</ofd:Res>"},
        {"Doc_0/Pages/Page_0/Content.xml", "<ofd:Page" + ns + "><ofd:Content><ofd:Layer ID=\"4\">" +
                                               content + "</ofd:Layer></ofd:Content></ofd:Page>"},
    };
}

namespace {

std::string Tlv(int tag, const std::string& body) {
    std::string out(1, static_cast<char>(tag));
    if (body.size() < 128) {
        out += static_cast<char>(body.size());
    } else {
        out += static_cast<char>(0x84);
        for (int shift = 24; shift >= 0; shift -= 8)
            out += static_cast<char>((body.size() >> shift) & 0xFF);
    }
    return out + body;
}
std::string Seq(const std::string& body) {
    return Tlv(0x30, body);
}
std::string Int(int value) {
    return Tlv(0x02, std::string(1, static_cast<char>(value)));
}
std::string Ia5(const std::string& text) {
    return Tlv(0x16, text);
}

}  // namespace

std::string SealDer(const std::string& type, const std::string& data, int width, int height) {
    const std::string header = Seq(Ia5("ES") + Int(4) + Ia5("TEST"));
    const std::string property = Seq(Int(1) + Tlv(0x0C, "seal") + Int(1) + Seq(""));
    const std::string picture = Seq(Ia5(type) + Tlv(0x04, data) + Int(width) + Int(height));
    const std::string seal = Seq(Seq(header + Ia5("id") + property + picture) + Tlv(0x04, "c"));
    return Seq(Seq(Int(4) + seal + Tlv(0x03, std::string(1, '\0'))) + Tlv(0x04, "cert"));
}

std::string Png(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

namespace {

// Four pixels a module, so that the page's renders keep the modules sharp.
std::string CodePng(const std::string& text) {
    const ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                        .setMargin(2)
                                        .encode(std::wstring(text.begin(), text.end()), 0, 0);
    constexpr int kScale = 4;
    QImage image(matrix.width() * kScale, matrix.height() * kScale, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, matrix.get(x / kScale, y / kScale) ? 0xff000000 : 0xffffffff);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

}  // namespace

Entries InvoiceOfd(const std::string& codeText, int goodsPages) {
    Entries entries = MinimalOfd(
        R"(<ofd:ImageObject ID="5" Boundary="10 8 25 25" CTM="25 0 0 25 0 0" ResourceID="6"/>)"
        R"(<ofd:TextObject ID="7" Boundary="70 8 80 10" Font="3" Size="6">)"
        R"(<ofd:TextCode X="0" Y="6">电子发票（普通发票）</ofd:TextCode></ofd:TextObject>)",
        R"(<ofd:MultiMedias><ofd:MultiMedia ID="6" Type="Image" Format="PNG">)"
        R"(<ofd:MediaFile>code.png</ofd:MediaFile></ofd:MultiMedia></ofd:MultiMedias>)",
        "0 0 210 140");
    entries["Doc_0/Res/code.png"] = CodePng(codeText);
    std::string& document = entries["Doc_0/Document.xml"];
    for (int page = 1; page <= goodsPages; ++page) {
        const std::string folder = "Pages/Page_" + std::to_string(page);
        document.insert(document.find("</ofd:Pages>"),
                        "<ofd:Page ID=\"" + std::to_string(100 + page) + "\" BaseLoc=\"" + folder +
                            "/Content.xml\"/>");
        entries["Doc_0/" + folder + "/Content.xml"] =
            R"(<ofd:Page xmlns:ofd="http://www.ofdspec.org/2016"><ofd:Content><ofd:Layer ID="8">)"
            R"(<ofd:TextObject ID="9" Boundary="70 8 80 10" Font="3" Size="6">)"
            R"(<ofd:TextCode X="0" Y="6">销货清单</ofd:TextCode></ofd:TextObject>)"
            R"(</ofd:Layer></ofd:Content></ofd:Page>)";
    }
    return entries;
}

Entries WithOneSeal(Entries e, const std::string& boundary, const std::string& signedValue) {
    e["OFD.xml"] =
        R"(<ofd:OFD xmlns:ofd="http://www.ofdspec.org/2016"><ofd:DocBody><ofd:DocRoot>Doc_0/Document.xml</ofd:DocRoot><ofd:Signatures>Doc_0/Signs/Signatures.xml</ofd:Signatures></ofd:DocBody></ofd:OFD>)";
    e["Doc_0/Signs/Signatures.xml"] =
        R"(<ofd:Signatures xmlns:ofd="http://www.ofdspec.org/2016"><ofd:Signature ID="1" BaseLoc="Sign_0/Signature.xml"/></ofd:Signatures>)";
    e["Doc_0/Signs/Sign_0/Signature.xml"] =
        R"(<ofd:Signature xmlns:ofd="http://www.ofdspec.org/2016"><ofd:SignedInfo><ofd:StampAnnot ID="1" PageRef="1" Boundary=")" +
        boundary +
        R"("/></ofd:SignedInfo><ofd:SignedValue>SignedValue.dat</ofd:SignedValue></ofd:Signature>)";
    e["Doc_0/Signs/Sign_0/SignedValue.dat"] = signedValue;
    return e;
}

QString PageText(const std::string& pdf) {
    QByteArray bytes(pdf.data(), static_cast<qsizetype>(pdf.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    return document.getAllText(0).text();
}

QImage Render(const std::string& pdf, double dpi) {
    static int argc = 1;
    static char name[] = "ofd_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
    QByteArray bytes(pdf.data(), static_cast<qsizetype>(pdf.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    if (document.status() != QPdfDocument::Status::Ready)
        return {};
    QImage image = document.render(0, (document.pagePointSize(0) * dpi / 72).toSize());
    // The page is transparent where nothing is drawn: put it on white paper.
    QImage paper(image.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter painter(&paper);
    painter.drawImage(0, 0, image);
    return paper;
}

QColor At(const QImage& image, double xMm, double yMm, double dpi) {
    return image.pixelColor(static_cast<int>(xMm * dpi / 25.4), static_cast<int>(yMm * dpi / 25.4));
}

int RedPixels(const QImage& image, double x, double y, double w, double h, double dpi) {
    const double k = dpi / 25.4;
    int count = 0;
    for (int py = static_cast<int>(y * k); py < static_cast<int>((y + h) * k); ++py)
        for (int px = static_cast<int>(x * k); px < static_cast<int>((x + w) * k); ++px) {
            if (!image.valid(px, py))
                continue;
            const QRgb p = image.pixel(px, py);
            count += qRed(p) > 200 && qGreen(p) < 90 && qBlue(p) < 90;
        }
    return count;
}

std::string ReadQr(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                          static_cast<int>(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    return result.isValid() ? ZXing::TextUtfEncoding::ToUtf8(result.text()) : std::string();
}

}  // namespace ofd::testing
