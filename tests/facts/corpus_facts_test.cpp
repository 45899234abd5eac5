// The facts of the real invoices in the corpus against what a person reads
// on them: the printed number, date and amounts, the QR code of every
// invoice that has one, and the byte-identical pairs counted once.
#include "facts/code_search.h"
#include "facts/invoice_code.h"
#include "facts/listing.h"
#include "facts/page_facts.h"
#include "intake/invoice_intake.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vellumark {
namespace {

struct Truth {
    const char* path;  // under the corpus's invoices folder
    const char* kind;
    const char *code, *number, *date, *total, *amount, *tax;
    // Fields read wrong for reasons outside the text layer, left unchecked
    // until they are mended ("amount tax uncertain").
    const char* elsewhere = "";
};

// Read by hand from the printed pages. Documents that are no invoices (an
// itinerary, a toll summary, a hotel folio, a ride's trip sheet) keep their
// date only: the numbers and amounts on them are their invoice's. An air
// itinerary, whose own code names it, keeps its own.
const Truth kTruth[] = {
    {"596966060-fapiao-rename/住宿费发票-6.8-广德_1785749043248.pdf", "digital_special", "",
     "26342000001798762786", "2026-06-10", "268.00", "265.35", "2.65"},
    {"dingjunqing-invoice/1716021989397_May,14,2024江苏高速通行费电子票据_20240514.pdf", "toll",
     "32020124", "0007445174", "2024-05-14", "10.00", "", ""},
    {"dingjunqing-invoice/1716021989397_May,14,2024江苏高速通行费电子票据行程单_20240514.pdf",
     "other", "", "", "2024-05-14", "", "", ""},
    {"dingjunqing-invoice/1716021989575_May,14,2024通行费电子票据汇总单(票据).pdf", "other", "", "",
     "", "", "", ""},
    {"dingjunqing-invoice/1716021989575_May,14,2024通行费电子票据汇总单(行程).pdf", "other", "", "",
     "", "", "", ""},
    {"dingjunqing-invoice/1716021989737_May,14,2024滴滴出行行程报销单.pdf", "other", "", "", "", "",
     "", ""},
    {"dingjunqing-invoice/1716021989737_May,14,2024滴滴电子发票.pdf", "e_ordinary", "012002300411",
     "07292535", "2024-05-14", "34.01", "33.02", "0.99"},
    {"dingjunqing-invoice/1716021991395_May,17,2024img1715944273067.pdf", "digital_ordinary", "",
     "24957000000026425783", "2024-05-17", "30.00", "28.30", "1.70"},
    {"dingjunqing-invoice/1716021991513_May,17,2024H0224051419060625801.pdf", "other", "", "", "",
     "", "", ""},
    {"dingjunqing-invoice/1716021991812_May,17,2024江苏高速通行费电子票据_20240517.pdf", "toll",
     "32020124", "0007878927", "2024-05-17", "10.00", "", ""},
    {"dingjunqing-invoice/1716021991812_May,17,2024江苏高速通行费电子票据行程单_20240517.pdf",
     "other", "", "", "2024-05-17", "", "", ""},
    {"dingjunqing-invoice/1716021992062_May,17,2024img1715955258083.pdf", "digital_ordinary", "",
     "24957000000026426976", "2024-05-17", "30.00", "28.30", "1.70"},
    {"dingjunqing-invoice/1716021992433_May,18,2024滴滴出行行程报销单A.pdf", "other", "", "", "",
     "", "", ""},
    {"dingjunqing-invoice/1716021992433_May,18,2024滴滴出行行程报销单B.pdf", "other", "", "", "",
     "", "", ""},
    {"dingjunqing-invoice/1716021992433_May,18,2024滴滴电子发票A.pdf", "e_ordinary", "032002300711",
     "97329490", "2024-05-18", "365.30", "354.66", "10.64"},
    {"dingjunqing-invoice/1716021992433_May,18,2024滴滴电子发票B.pdf", "e_ordinary", "012002300411",
     "22721839", "2024-05-18", "357.52", "347.11", "10.41"},
    {"dingjunqing-invoice/IT202405131006240720.pdf", "digital_ordinary", "", "24957000000021350618",
     "2024-05-14", "740.00", "698.11", "41.89"},
    {"dingjunqing-invoice/IT202405171044240934.pdf", "digital_ordinary", "", "24957000000021351343",
     "2024-05-17", "1980.00", "1867.92", "112.08"},
    {"dingjunqing-invoice/IT202405171646240143.pdf", "digital_ordinary", "", "24957000000018626539",
     "2024-05-17", "2447.55", "2309.01", "138.54"},
    {"dingjunqing-invoice/滴滴电子发票.pdf", "e_ordinary", "032002300711", "95679399", "2024-04-21",
     "220.68", "214.25", "6.43"},
    {"mxvc-invoice/15.94.pdf", "e_ordinary", "032002100611", "27086599", "2022-08-30", "15.94",
     "15.94", "0.00"},
    {"mxvc-invoice/19.05元-1个行程】高德打车电子发票.pdf", "e_ordinary", "034022200111", "14656001",
     "2022-08-30", "19.05", "19.05", "0.00"},
    {"mxvc-invoice/19.70.pdf", "e_ordinary", "051002100411", "72075636", "2022-08-30", "19.70",
     "19.70", "0.00"},
    {"mxvc-invoice/19.73元-1个行程】高德打车电子发票.pdf", "e_ordinary", "051002100411", "96448329",
     "2022-08-30", "19.73", "19.73", "0.00"},
    {"mxvc-invoice/21.06.pdf", "e_ordinary", "044002200111", "38526680", "2022-08-30", "21.06",
     "21.06", "0.00"},
    {"mxvc-invoice/ERR_1.pdf", "e_ordinary", "051002100511", "87094083", "2022-08-30", "24.07",
     "24.07", "0.00"},
    {"mxvc-invoice/Lora模块发票1.pdf", "e_ordinary", "051002200211", "45396126", "2023-04-04",
     "63.00", "55.75", "7.25"},
    {"mxvc-invoice/【招招出行-79.34元-1个行程】高德打车电子发票.pdf", "e_ordinary", "050002100311",
     "77414908", "2022-08-30", "79.34", "79.34", "0.00"},
    {"mxvc-invoice/【携华出行-39.16元-2个行程】高德打车电子发票.pdf", "e_ordinary", "034001700111",
     "26804556", "2022-08-30", "39.16", "39.16", "0.00"},
    {"mxvc-invoice/【蓉橙出行-18.66元-1个行程】高德打车电子发票.pdf", "e_ordinary", "061002201111",
     "97258382", "2022-08-30", "18.66", "18.66", "0.00"},
    {"mxvc-invoice/发票.pdf", "e_ordinary", "051002000711", "21895665", "2022-05-27", "600.00",
     "600.00", "0.00"},
    {"mxvc-invoice/发票1.pdf", "e_ordinary", "011002300211", "68831838", "2023-02-28", "235.00",
     "207.97", "27.03"},
    {"mxvc-invoice/发票2.pdf", "e_ordinary", "031002200311", "78837327", "2023-03-10", "250.00",
     "221.24", "28.76"},
    {"mxvc-invoice/发票3.pdf", "e_ordinary", "044002200111", "38526680", "2022-08-30", "21.06",
     "21.06", "0.00"},
    {"mxvc-invoice/发票5.pdf", "e_ordinary", "050002100311", "77414908", "2022-08-30", "79.34",
     "79.34", "0.00"},
    {"mxvc-invoice/发票_U舍酒店-2.pdf", "e_ordinary", "051002100211", "04868862", "2022-08-25",
     "759.00", "759.00", ""},  // its labels are unreadable; *** is no number
    {"mxvc-invoice/发票_U舍酒店-3.pdf", "e_ordinary", "051002100211", "04868863", "2022-08-25",
     "506.00", "506.00", ""},  // its labels are unreadable; *** is no number
    {"mxvc-invoice/餐饮发票.pdf", "e_ordinary", "052001900211", "33838314", "2022-02-18", "1308.00",
     "1233.96", "74.04"},
    {"zqywuxie-invoice_management/郑钦云-邮费1.pdf", "digital_ordinary", "", "25437000000297554203",
     "2025-10-13", "17.00", "16.04", "0.96"},
    // The various producers' invoices of truth/various.tsv.
    // Its QR code's amount is the total (23.0), not the amount before tax.
    {"various/01100160021162713712.pdf", "e_ordinary", "011001600211", "62713712", "2017-10-28",
     "23.00", "21.70", "1.30"},
    {"various/044031800111-2344784.pdf", "e_ordinary", "044031800111", "02344784", "2018-04-07",
     "335.80", "287.00", "48.80"},
    {"various/12_8_发票海油.pdf", "digital_ordinary", "", "25932000000012180916", "2025-02-17",
     "236.05", "208.90", "27.15"},
    {"various/69898028809.pdf", "e_ordinary", "011001700111", "35394418", "2018-01-30", "300.00",
     "300.00", "0.00"},
    {"various/914300001837784984_aa49c041aeab4355b581f7275763cf02.pdf", "toll", "043001800112",
     "01922233", "2018-03-02", "67.56", "65.59", "1.97"},
    {"various/LiCijun_发票.pdf", "e_ordinary", "044031600111", "07506435", "2017-12-17", "61.50",
     "58.02", "3.48"},
    {"various/Wosign.pdf", "e_ordinary", "044031600111", "02149874", "2017-07-03", "499.95",
     "427.31", "72.64"},
    {"various/ruitang_电子发票.pdf", "digital_ordinary", "", "25322000000011764973", "2025-01-08",
     "1788.00", "1582.30", "205.70"},
    // A specimen air itinerary: its total and tax stand in a table under
    // their headings; no amount before tax is printed.
    {"various/xbrl-001.pdf", "other", "", "9223372036854775807", "2021-07-28", "620.00", "",
     "47.07"},
    {"various/日用品 184.pdf", "e_ordinary", "042001700411", "16754728", "2018-01-16", "184.74",
     "157.89", "26.85"},
};

class CorpusFacts : public ::testing::Test {
protected:
    void SetUp() override { VELLUMARK_REQUIRE_CORPUS(); }
    static std::string PathOf(const Truth& truth) {
        return testing::CorpusDir() + "/invoices/" + truth.path;
    }
};

TEST_F(CorpusFacts, EveryFieldAsAPersonReadsIt) {
    std::vector<std::string> paths;
    for (const Truth& truth : kTruth)
        paths.push_back(PathOf(truth));
    const std::vector<InvoiceFacts> facts = ReadFacts(testing::Library(), paths);
    ASSERT_EQ(facts.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const Truth& want = kTruth[i];
        const InvoiceFacts& got = facts[i];
        SCOPED_TRACE(want.path);
        const std::string elsewhere = want.elsewhere;
        const auto check = [&](FactField field, const char* value) {
            if (elsewhere.find(FactFieldName(field)) == std::string::npos) {
                EXPECT_EQ(got.Get(field), value) << FactFieldName(field);
            }
        };
        EXPECT_STREQ(KindName(got.kind), want.kind);
        check(kFactCode, want.code);
        check(kFactNumber, want.number);
        check(kFactDate, want.date);
        check(kFactTotal, want.total);
        check(kFactAmount, want.amount);
        check(kFactTax, want.tax);
        if (elsewhere.find("uncertain") == std::string::npos) {
            EXPECT_EQ(got.uncertain, 0u);
        }
    }
}

// Seller and buyer as printed, side by side on a fully digital invoice and
// one above the other on an older one.
TEST_F(CorpusFacts, SellerAndBuyerAreNotSwapped) {
    struct Parties {
        const char *path, *seller, *sellerId, *buyer, *buyerId;
    };
    const Parties printed[] = {
        {"596966060-fapiao-rename/住宿费发票-6.8-广德_1785749043248.pdf",
         "广德月满庭酒店（个体工商户）", "92341882MAK1CDJB6X", "上海松鼠创科技术有限责任公司",
         "91310114MAEF222A74"},
        {"dingjunqing-invoice/IT202405131006240720.pdf", "深圳慧通商务有限公司",
         "91440300760478875Q", "上海科之锐人才咨询有限公司", "91310000764286520D"},
        {"mxvc-invoice/21.06.pdf", "广州旅宝网络科技有限公司", "914401043314030072",
         "中铁文化旅游投资集团有限公司", "91520000MA6DKWDM90"},
    };
    std::vector<std::string> paths;
    for (const Parties& p : printed)
        paths.push_back(testing::CorpusDir() + "/invoices/" + p.path);
    const std::vector<InvoiceFacts> facts = ReadFacts(testing::Library(), paths);
    ASSERT_EQ(facts.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(printed[i].path);
        EXPECT_EQ(facts[i].Get(kFactSeller), printed[i].seller);
        EXPECT_EQ(facts[i].Get(kFactSellerId), printed[i].sellerId);
        EXPECT_EQ(facts[i].Get(kFactBuyer), printed[i].buyer);
        EXPECT_EQ(facts[i].Get(kFactBuyerId), printed[i].buyerId);
    }
}

// The taxpayer numbers of truth/various.tsv, beside their labels whatever
// the producer (an empty one is not printed, or masked).
TEST_F(CorpusFacts, VariousProducersTaxpayerNumbers) {
    struct Ids {
        const char *path, *sellerId, *buyerId;
    };
    const Ids printed[] = {
        {"various/01100160021162713712.pdf", "91110113762151550Q", "91440300570029032F"},
        {"various/044031800111-2344784.pdf", "91440300591865259K", "91440300570029032F"},
        {"various/12_8_发票海油.pdf", "91330204758884292X", "91330212MABRR61T9U"},
        {"various/69898028809.pdf", "91110302562134916R", "91440300570029032F"},
        {"various/914300001837784984_aa49c041aeab4355b581f7275763cf02.pdf", "914300001837784984",
         "91440300570029032F"},
        {"various/LiCijun_发票.pdf", "91440300MA5EHP94XF", "91440300570029032F"},
        {"various/Wosign.pdf", "91440300736266709U", "440300570029032"},
        {"various/ruitang_电子发票.pdf", "91320116793732438A", "914403001922038216"},
        {"various/xbrl-001.pdf", "", ""},
        {"various/日用品 184.pdf", "9142011733356690XY", ""},
    };
    std::vector<std::string> paths;
    for (const Ids& p : printed)
        paths.push_back(testing::CorpusDir() + "/invoices/" + p.path);
    const std::vector<InvoiceFacts> facts = ReadFacts(testing::Library(), paths);
    ASSERT_EQ(facts.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(printed[i].path);
        EXPECT_EQ(facts[i].Get(kFactSellerId), printed[i].sellerId);
        EXPECT_EQ(facts[i].Get(kFactBuyerId), printed[i].buyerId);
    }
}

// The codes as the merge reads them: from its 300 dpi images, at half size.
TEST_F(CorpusFacts, EveryInvoiceCodeReadsFromTheMergesImages) {
    std::vector<pdfax::RenderJob> jobs;
    std::vector<const Truth*> invoices;
    for (const Truth& truth : kTruth) {
        if (std::string(truth.kind) == "other")
            continue;
        pdfax::RenderJob job;
        job.input = PathOf(truth);
        job.format = pdfax::kImageFormatNone;
        job.readFacts = true;
        job.codes = InvoiceCodeSearch();
        jobs.push_back(job);
        invoices.push_back(&truth);
    }
    std::vector<CodeFacts> codes(jobs.size());
    testing::Library().RenderPagesToFiles(jobs, 0,
                                          [&](int index, const pdfax::RenderedImage& image) {
                                              codes[index] = ParseInvoiceCode(image.code);
                                              return true;
                                          });
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(invoices[i]->path);
        EXPECT_EQ(codes[i].number, invoices[i]->number);
        // A toll bill's code is a verification address without a date.
        if (!codes[i].date.empty() || codes[i].code.size() != 8) {
            EXPECT_EQ(codes[i].date, invoices[i]->date);
        }
    }
}

TEST_F(CorpusFacts, ByteIdenticalPairsAreOneInvoice) {
    testing::TempDir folder;
    for (const Truth& truth : kTruth) {
        const std::string name = truth.path;
        testing::CopyFile(PathOf(truth), folder / name.substr(name.find('/') + 1));
    }
    InvoiceRows rows;
    ListFolder(testing::Library(), folder.path(), rows);
    std::vector<std::string> paths;
    for (int row = 0; row < rows.rowCount(); ++row)
        paths.push_back(rows.Path(row));
    const Listing listing = BuildListing(rows, ReadFacts(testing::Library(), paths));
    std::map<std::string, const ListedInvoice*> byName;
    for (const auto& row : listing.rows)
        byName[row.name] = &row;
    for (const auto& [a, b] :
         {std::pair{"21.06", "发票3"},
          std::pair{"【招招出行-79.34元-1个行程】高德打车电子发票", "发票5"}}) {
        ASSERT_TRUE(byName[a] && byName[b]);
        EXPECT_EQ(byName[a]->duplicateOf + byName[b]->duplicateOf,
                  std::min(byName[a]->order, byName[b]->order))
            << a;
    }
    int invoices = 0;
    for (const Truth& truth : kTruth)
        invoices += std::string(truth.kind) != "other";
    EXPECT_EQ(listing.summary.invoices, invoices - 2);
    EXPECT_EQ(listing.summary.withoutTotal, 0);
}

}  // namespace
}  // namespace vellumark
