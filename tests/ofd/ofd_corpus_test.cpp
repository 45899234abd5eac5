// The real OFD invoices of the corpus: every page converts to a PDF that
// qpdf reads and Qt PDF renders, with the QR code and the seals where the
// OFD has them, and the metadata facts as a person reads them.
#include <gtest/gtest.h>
#include <zip.h>
#include <qpdf/QPDF.hh>

#include <QRegularExpression>

#include <fstream>
#include <sstream>

#include "geometry.h"
#include "ofd/ofd.h"
#include "ofd_helpers.h"
#include "test_support.h"

namespace ofd::testing {
namespace {

struct Sample {
    const char* file;
    int pages;
    const char* qrEntry;  // the QR image inside the OFD, or the invoice XML with GraphCode
    int stampPage;        // -1 when the OFD has no signature with a stamp boundary
    Box stamp;
};

const Sample kSamples[] = {
    {"20240531141733.ofd", 1, "Doc_0/Res/image_6920.png", -1, {}},
    {"999.ofd", 5, "Doc_0/Res/qrcode.png", 0, {90, 8, 30, 20}},
    // The package also holds an unlisted, empty goods-list page; its
    // document names one page, and a reader shows one.
    {"SignScaleError.ofd", 1, "", 0, {87, 4, 34, 26}},
    {"fapiao.ofd", 1, "Doc_0/Res/image_6920.png", -1, {}},
    {"keyword2.ofd", 1, "Doc_0/Attachs/original_invoice.xml", 0, {90, 8, 30, 20}},
    {"发票示例.ofd", 1, "Doc_0/Res/qr.png", 0, {90, 8, 30, 20}},
    {"售票换开样例.ofd", 1, "Doc_0/Res/image_14.png", -1, {}},
};

std::string Path(const char* file) {
    return vellumark::testing::CorpusDir() + "/ofd/" + file;
}

std::string Entry(const std::string& path, const std::string& name) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    zip_file_t* file = archive ? zip_fopen(archive, name.c_str(), 0) : nullptr;
    std::string out;
    char chunk[4096];
    zip_int64_t got = 0;
    while (file && (got = zip_fread(file, chunk, sizeof chunk)) > 0)
        out.append(chunk, static_cast<std::size_t>(got));
    if (file)
        zip_fclose(file);
    if (archive)
        zip_discard(archive);
    return out;
}

// What the stored code says: the QR image decoded, or the invoice XML's
// own copy of the code's text.
std::string StoredCode(const Sample& sample) {
    const std::string bytes = Entry(Path(sample.file), sample.qrEntry);
    if (std::string(sample.qrEntry).ends_with(".xml")) {
        const auto match =
            QRegularExpression("<fp:GraphCode>([^<]*)<").match(QString::fromStdString(bytes));
        return match.captured(1).toStdString();
    }
    QImage code =
        QImage::fromData(QByteArray::fromStdString(bytes)).convertToFormat(QImage::Format_RGB32);
    // Room around the code and pixels large enough for the reader.
    QImage padded(code.width() * 2, code.height() * 2, QImage::Format_RGB32);
    padded.fill(Qt::white);
    for (int y = 0; y < code.height(); ++y)
        for (int x = 0; x < code.width(); ++x)
            padded.setPixel(x + code.width() / 2, y + code.height() / 2, code.pixel(x, y));
    return ReadQr(padded.scaled(padded.size() * 4));
}

class CorpusOfd : public ::testing::TestWithParam<Sample> {};

TEST_P(CorpusOfd, EveryPageRendersWithItsCodeAndSeal) {
    VELLUMARK_REQUIRE_CORPUS();
    const Sample& sample = GetParam();
    auto opened = OpenOfd(Path(sample.file));
    ASSERT_TRUE(std::holds_alternative<OfdDocument>(opened)) << std::get<Error>(opened).detail;
    const auto& document = std::get<OfdDocument>(opened);
    ASSERT_EQ(document.PageCount(), sample.pages);
    for (int page = 0; page < sample.pages; ++page) {
        SCOPED_TRACE(page);
        auto converted = document.PageAsPdf(page);
        ASSERT_TRUE(std::holds_alternative<PagePdf>(converted));
        const PagePdf& pdf = std::get<PagePdf>(converted);
        EXPECT_TRUE(pdf.omitted.empty()) << pdf.omitted.front().detail;
        QPDF check;
        EXPECT_NO_THROW(check.processMemoryFile("page", pdf.pdf.data(), pdf.pdf.size()));
        EXPECT_EQ(check.getAllPages().size(), 1u);
        EXPECT_TRUE(check.getWarnings().empty());
        // Every font is carried in the page: one left to the renderer costs
        // it a whole substitute face read on every page.
        for (QPDFObjectHandle object : check.getAllObjects()) {
            if (object.isDictionary() &&
                object.getKey("/Type").isNameAndEquals("/FontDescriptor")) {
                EXPECT_TRUE(object.hasKey("/FontFile2") || object.hasKey("/FontFile3"))
                    << object.getKey("/FontName").unparse();
            }
        }
        const QImage image = Render(pdf.pdf);
        ASSERT_FALSE(image.isNull());
        const SizeMm size = document.PageSizeMm(page);
        EXPECT_NEAR(image.width(), size.width * 300 / 25.4, 2);
        if (page == 0 && *sample.qrEntry) {
            EXPECT_EQ(ReadQr(image), StoredCode(sample));
        }
        if (page == sample.stampPage) {
            EXPECT_GT(RedPixels(image, sample.stamp.x, sample.stamp.y, sample.stamp.width,
                                sample.stamp.height),
                      2000);
        }
    }
}

// The facts of truth/ofd.tsv by column name.
std::map<std::string, std::string> Truth(const std::string& file) {
    std::ifstream in(vellumark::testing::CorpusDir() + "/truth/ofd.tsv");
    std::string line;
    std::vector<std::string> names;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, '\t');)
            cells.push_back(cell);
        if (names.empty()) {
            names = cells;
        } else if (!cells.empty() && cells[0] == file) {
            std::map<std::string, std::string> out;
            for (std::size_t i = 0; i < names.size() && i < cells.size(); ++i)
                out[names[i]] = cells[i];
            return out;
        }
    }
    return {};
}

TEST_P(CorpusOfd, MetadataStatesWhatAPersonReads) {
    VELLUMARK_REQUIRE_CORPUS();
    auto opened = OpenOfd(Path(GetParam().file));
    ASSERT_TRUE(std::holds_alternative<OfdDocument>(opened));
    const InvoiceData data = std::get<OfdDocument>(opened).Invoice();
    auto truth = Truth(GetParam().file);
    ASSERT_FALSE(truth.empty());
    // Every fact the metadata gives is right; number, date and total are given by all.
    const std::pair<const char*, const InvoiceField*> fields[] = {
        {"code", &data.code},   {"number", &data.number},       {"date", &data.date},
        {"total", &data.total}, {"amount", &data.amount},       {"tax", &data.tax},
        {"kind", &data.kind},   {"seller_id", &data.seller_id}, {"buyer_id", &data.buyer_id},
    };
    for (const auto& [name, field] : fields) {
        if (!field->value.empty() || std::string(name) == "number" || std::string(name) == "date" ||
            std::string(name) == "total") {
            EXPECT_EQ(field->value, truth[name]) << name << " from " << field->from;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ofd, CorpusOfd, ::testing::ValuesIn(kSamples),
                         [](const auto& info) { return "sample" + std::to_string(info.index); });

}  // namespace
}  // namespace ofd::testing
