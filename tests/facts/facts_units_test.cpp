// Reading facts without a PDF: QR texts, values beside labels on a page
// laid out glyph by glyph, the two sources combined, and pages related.
#include "facts/invoice_code.h"
#include "facts/page_facts.h"
#include "facts/pile.h"
#include "facts/text_facts.h"
#include "page_layout.h"
#include "text_scan.h"

#include <gtest/gtest.h>

#include <QString>

#include <cmath>
#include <numbers>

namespace vellumark {
namespace {

TEST(InvoiceCode, ReadsBothKindsOfInvoiceAndTheVerificationAddresses) {
    const CodeFacts digital = ParseInvoiceCode("01,32,,24957000000021350618,740.00,20240514,,72ec");
    EXPECT_EQ(digital.kind, InvoiceKind::kDigitalOrdinary);
    EXPECT_EQ(digital.number, "24957000000021350618");
    EXPECT_EQ(digital.date, "2024-05-14");
    EXPECT_EQ(digital.total, "740.00");
    EXPECT_TRUE(digital.amount.empty());
    // A blank code field, and an amount without decimals.
    const CodeFacts older = ParseInvoiceCode("01,10,051002100211,04868862,759,20220825,024,9EAD,");
    EXPECT_EQ(older.kind, InvoiceKind::kElectronicOrdinary);
    EXPECT_EQ(older.code, "051002100211");
    EXPECT_EQ(older.amount, "759.00");
    EXPECT_TRUE(older.total.empty());
    EXPECT_EQ(ParseInvoiceCode("01,32, ,24957000000026425783,30.00,20240517, ,0DF8").code, "");

    const CodeFacts toll =
        ParseInvoiceCode("http://einvoice.jsczt.cn/page/32020124/0007445174/RolVjv");
    EXPECT_EQ(toll.code, "32020124");
    EXPECT_EQ(toll.number, "0007445174");
    EXPECT_TRUE(toll.amount.empty());
    const CodeFacts query = ParseInvoiceCode(
        "https://inv.example.cn/v?fpdm=044002200111&fphm=38526680&je=2106&kprq=20220830");
    EXPECT_EQ(query.number, "38526680");
    EXPECT_EQ(query.amount, "21.06");
    EXPECT_EQ(query.date, "2022-08-30");
    EXPECT_EQ(ParseInvoiceCode("https://x.cn/q?fphm=12345678&je=5").amount, "0.05");

    // An advertisement's link, a damaged text, a date that is none.
    EXPECT_FALSE(ParseInvoiceCode("https://app.example.com/download?from=trip").Valid());
    EXPECT_FALSE(ParseInvoiceCode("01,10,0510,x,1.00,20220830").Valid());
    EXPECT_EQ(ParseInvoiceCode("01,32,,24957000000021350618,740.00,20241345,,72ec").date, "");
}

TEST(TextScan, DatesAndAmountsAsInvoicesWriteThem) {
    EXPECT_EQ(FirstDate(U"2024年05月14日"), "2024-05-14");
    EXPECT_EQ(FirstDate(U"2022  年 8 月 30 日"), "2022-08-30");
    EXPECT_EQ(FirstDate(U"2024-05-17"), "2024-05-17");
    EXPECT_EQ(FirstDate(U"2023年02月30日"), "");
    const std::vector<Money> found = AmountsIn(U"¥265.35¥ 2.65 -26.20 ***¥1,233.96 1233.962264");
    ASSERT_EQ(found.size(), 5u);
    EXPECT_EQ(found[0].cents, 26535);
    EXPECT_TRUE(found[0].yen);
    EXPECT_EQ(found[1].cents, 265);
    EXPECT_EQ(found[2].cents, -2620);
    EXPECT_TRUE(found[3].starred);
    EXPECT_EQ(found[4].cents, 123396);
    EXPECT_EQ(FormatCents(-5), "-0.05");
    // A taxpayer number or a check code is no amount, however it ends.
    EXPECT_TRUE(AmountsIn(U"校验码 104400230011244138104400230011.25").empty());
}

// Glyphs of one line each, as a page's text layer gives them.
struct Page {
    std::vector<pdfax::TextGlyph> glyphs;
    Page& At(double x, double y, const std::u32string& text, double size = 9) {
        for (const char32_t c : text) {
            glyphs.push_back(
                {QString::fromStdU32String(std::u32string(1, c)).toStdString(), x, y, size, size});
            x += size;
        }
        return *this;
    }
    Page& Down(double x, double y, const std::u32string& text) {
        for (const char32_t c : text)
            At(x, y += 11, std::u32string(1, c));
        return *this;
    }
};

// A fully digital invoice's text, its blocks side by side.
Page SideBySidePage() {
    Page page;
    page.At(180, 40, U"电子发票（普通发票）")
        .At(400, 45, U"发票号码：24957000000021350618")
        .At(400, 60, U"开票日期：2024年05月14日")
        .Down(20, 80, U"购买方信息")
        .Down(300, 80, U"销售方信息")
        // Content order is not reading order: the seller's name comes first.
        .At(335, 95, U"深圳慧通商务有限公司")
        .At(20 + 20, 95, U"名称：上海科之锐人才咨询有限公司")
        .At(315, 95, U"名称：")
        .At(40, 120, U"纳税人识别号：91310000764286520D")
        .At(315, 120, U"纳税人识别号：91440300760478875Q")
        .At(60, 240, U"合计")
        .At(400, 240, U"¥698.11")
        .At(480, 240, U"¥41.89")
        .At(40, 260, U"价税合计（大写）柒佰肆拾圆整")
        .At(380, 260, U"（小写）¥740.00");
    return page;
}

TEST(TextFacts, BlocksSideBySideKeepTheirOwnNames) {
    const InvoiceFacts facts = ReadTextFacts(SideBySidePage().glyphs);
    EXPECT_EQ(facts.kind, InvoiceKind::kDigitalOrdinary);
    EXPECT_EQ(facts.Get(kFactNumber), "24957000000021350618");
    EXPECT_EQ(facts.Get(kFactDate), "2024-05-14");
    EXPECT_EQ(facts.Get(kFactBuyer), "上海科之锐人才咨询有限公司");
    EXPECT_EQ(facts.Get(kFactBuyerId), "91310000764286520D");
    EXPECT_EQ(facts.Get(kFactSeller), "深圳慧通商务有限公司");
    EXPECT_EQ(facts.Get(kFactSellerId), "91440300760478875Q");
    EXPECT_EQ(facts.Get(kFactAmount), "698.11");
    EXPECT_EQ(facts.Get(kFactTax), "41.89");
    EXPECT_EQ(facts.Get(kFactTotal), "740.00");
    EXPECT_EQ(facts.uncertain, 0u);
}

// Lines follow each glyph's direction: the page turned any way reads as it
// does upright, and a note running across it (here a number that is not
// the invoice's) stays on lines of its own.
TEST(TextFacts, APageTurnedAnyWayReadsTheSame) {
    const InvoiceFacts upright = ReadTextFacts(SideBySidePage().glyphs);
    for (const double turn : {0.0, 90.0, 180.0, 270.0, 30.0}) {
        SCOPED_TRACE(turn);
        Page page = SideBySidePage();
        for (const double x : {50.0, 100.0, 150.0})
            page.At(580, x, U"发票号码：11111111111111111111");
        const double r = turn * std::numbers::pi / 180;
        for (std::size_t i = 0; i < page.glyphs.size(); ++i) {
            pdfax::TextGlyph& g = page.glyphs[i];
            // The note is the last three lines, written downwards.
            const bool note = i + 3 * 25 >= page.glyphs.size();
            const double x = note ? 580 - (g.y - 50) : g.x, y = note ? 50 + (g.x - 580) : g.y;
            g.x = 1000 + x * std::cos(r) - y * std::sin(r);
            g.y = 1000 + x * std::sin(r) + y * std::cos(r);
            g.angle = std::fmod(turn + (note ? 90 : 0), 360);
        }
        // A seal's ring drawn first, each glyph turned its own way.
        for (int a = -60; a <= 60; a += 8)
            page.glyphs.insert(page.glyphs.begin(),
                               {"税", 1100, 1100, 9, 9, std::fmod(turn + a + 360, 360)});
        const InvoiceFacts turned = ReadTextFacts(page.glyphs);
        EXPECT_EQ(turned.kind, upright.kind);
        for (int field = 0; field < kFactFieldCount; ++field)
            EXPECT_EQ(turned.fields[field], upright.fields[field]) << field;
        EXPECT_EQ(turned.uncertain, 0u);
    }
}

TEST(TextFacts, StackedBlocksAndAPageDrawnTwiceOver) {
    Page page;
    page.At(190, 45, U"四川增值税电子普通发票", 19)
        .At(421, 35, U"发票代码:051002100411")
        .At(421, 49, U"发票号码:72075636")
        .At(421, 64, U"开票日期:2022年08月30日")
        .Down(20, 92, U"购买方")
        .At(38, 97, U"名称:中铁文化旅游投资集团有限公司")
        .At(38, 112, U"纳税人识别号:91520000MA6DKWDM90")
        .Down(20, 302, U"销售方")
        .At(38, 306, U"名称:成都鞍马智行科技有限公司")
        .At(38, 319, U"纳税人识别号:91510107MA65T8E44U")
        .At(64, 269, U"合计¥19.70***")
        .At(51, 287, U"价税合计(大写)壹拾玖圆柒角(小写)¥19.70");
    Page twice = page;  // an imitation of bold type: everything drawn again in place
    twice.glyphs.insert(twice.glyphs.end(), page.glyphs.begin(), page.glyphs.end());
    for (const Page* p : {&page, &twice}) {
        const InvoiceFacts facts = ReadTextFacts(p->glyphs);
        EXPECT_EQ(facts.kind, InvoiceKind::kElectronicOrdinary);
        EXPECT_EQ(facts.Get(kFactCode), "051002100411");
        EXPECT_EQ(facts.Get(kFactNumber), "72075636");
        EXPECT_EQ(facts.Get(kFactBuyer), "中铁文化旅游投资集团有限公司");
        EXPECT_EQ(facts.Get(kFactSeller), "成都鞍马智行科技有限公司");
        EXPECT_EQ(facts.Get(kFactSellerId), "91510107MA65T8E44U");
        EXPECT_EQ(facts.Get(kFactAmount), "19.70");
        EXPECT_EQ(facts.Get(kFactTax), "0.00");
        EXPECT_EQ(facts.Get(kFactTotal), "19.70");
    }
}

// An air itinerary's fare table: each charge under its heading but set off
// to its right, the one before 合计 ending where 合计 begins.
TEST(TextFacts, AnItinerarysFareTableGivesItsTotalAndTax) {
    Page page;
    page.At(180, 40, U"电子发票（航空运输电子客票行程单）")
        .At(400, 60, U"发票号码：24957000000021350618")
        .At(100, 300, U"票价")
        .At(200, 300, U"增值税税额")
        .At(300, 300, U"其他税费")
        .At(400, 300, U"合计")
        .At(135, 315, U"CNY 477.06", 6)
        .At(240, 315, U"CNY 47.07", 6)
        .At(352, 315, U"CNY 0.00", 6)
        .At(440, 315, U"CNY 620.00", 6);
    const InvoiceFacts facts = ReadTextFacts(page.glyphs);
    EXPECT_EQ(facts.kind, InvoiceKind::kOther);
    EXPECT_EQ(facts.Get(kFactTotal), "620.00");
    EXPECT_EQ(facts.Get(kFactTax), "47.07");
    EXPECT_EQ(facts.Get(kFactAmount), "");
    EXPECT_EQ(facts.uncertain, 0u);
}

TEST(CombineFacts, CodeAndTextMustAgree) {
    InvoiceFacts text;
    text.kind = InvoiceKind::kDigitalOrdinary;
    text.fields[kFactNumber] = "24957000000021350618";
    text.fields[kFactDate] = "2024-05-14";
    text.fields[kFactTotal] = "740.00";
    text.fields[kFactAmount] = "698.11";
    text.fields[kFactTax] = "41.89";
    const CodeFacts code = ParseInvoiceCode("01,32,,24957000000021350618,740.00,20240514,,72ec");
    EXPECT_EQ(CombineFacts(text, code).uncertain, 0u);

    const InvoiceFacts misread =
        CombineFacts(text, ParseInvoiceCode("01,32,,24957000000021350619,704.00,20240514,,72ec"));
    EXPECT_EQ(misread.Get(kFactNumber), "24957000000021350619");
    EXPECT_TRUE(misread.IsUncertain(kFactNumber));
    EXPECT_TRUE(misread.IsUncertain(kFactTotal));
    EXPECT_FALSE(misread.IsUncertain(kFactDate));

    InvoiceFacts wrongSum = text;
    wrongSum.fields[kFactTax] = "14.89";
    const InvoiceFacts summed = CombineFacts(wrongSum, {});
    EXPECT_TRUE(summed.IsUncertain(kFactAmount) && summed.IsUncertain(kFactTax));

    // The code alone is enough, and an older invoice's code carries the
    // amount before tax.
    const InvoiceFacts fromCode =
        CombineFacts({}, ParseInvoiceCode("01,10,051002100211,04868862,759,20220825,024,9EAD,"));
    EXPECT_EQ(fromCode.Get(kFactNumber), "04868862");
    EXPECT_EQ(fromCode.Get(kFactAmount), "759.00");
    EXPECT_TRUE(fromCode.Get(kFactTotal).empty());

    // An itinerary names its invoice; that number is not the page's own.
    InvoiceFacts itinerary = text;
    itinerary.kind = InvoiceKind::kOther;
    const InvoiceFacts other = CombineFacts(itinerary, {});
    EXPECT_FALSE(other.HasIdentity());
    EXPECT_TRUE(other.Get(kFactTotal).empty());
    EXPECT_EQ(other.Get(kFactDate), "2024-05-14");
    // An air itinerary's own code names it, and its total: it is its own
    // document, still not counted as an invoice.
    const InvoiceFacts air =
        CombineFacts(itinerary, ParseInvoiceCode("01,61,,24957000000021350618,740,20240514,,7890"));
    EXPECT_EQ(air.kind, InvoiceKind::kOther);
    EXPECT_EQ(air.Get(kFactNumber), "24957000000021350618");
    EXPECT_EQ(air.Get(kFactTotal), "740.00");
    EXPECT_EQ(air.Get(kFactTax), "41.89");
    EXPECT_EQ(air.uncertain, 0u);
}

InvoiceFacts Invoice(const std::string& number, const std::string& total = "1.00") {
    InvoiceFacts facts;
    facts.kind = InvoiceKind::kDigitalOrdinary;
    facts.fields[kFactNumber] = number;
    facts.fields[kFactTotal] = total;
    return facts;
}

TEST(RelatePages, ContinuationsWhereverTheyAreAndDuplicatesByNumberOrBytes) {
    // Ordered by height: the goods lists of A come before A itself.
    const std::vector<std::string> paths = {
        "/f/A(第2页).pdf", "/f/A(第3页).pdf", "/f/A(第1页).pdf", "/f/B.pdf", "/f/B 副本.pdf",
        "/f/C(第2页).pdf", "/f/D.pdf",        "/f/E.pdf",        "/f/F.pdf", "/f/G.pdf",
    };
    InvoiceFacts list;  // a page of a goods list: no identity
    list.kind = InvoiceKind::kOther;
    const std::vector<InvoiceFacts> facts = {
        list, list,         Invoice("1", "10.00"), Invoice("2"),    Invoice("2"),
        list, Invoice("3"), Invoice("4"),          Invoice("", ""), Invoice("5", "")};
    // E and F are the same file; so are the two goods lists of A.
    const std::vector<int> groups = {7, 7, -1, -1, -1, -1, -1, 8, 8, -1};
    const auto relations = RelatePages(paths, facts, groups);
    EXPECT_EQ(relations[0].continuationOf, 2);
    EXPECT_EQ(relations[1].continuationOf, 2);
    EXPECT_TRUE(relations[0].sameInvoice.empty());  // never a duplicate
    EXPECT_EQ(relations[5].continuationOf, -1);     // its first page is not listed
    EXPECT_EQ(relations[4].duplicateOf, 3);
    EXPECT_EQ(relations[3].duplicateOf, -1);
    EXPECT_EQ(relations[3].sameInvoice, std::vector<int>{4});
    EXPECT_EQ(relations[8].duplicateOf, 7);
    EXPECT_TRUE(relations[8].byteIdentical);
    const PileSummary summary = Summarise(facts, relations);
    // A, B, D, E and G: C's page is no invoice, F is E again.
    EXPECT_EQ(summary.invoices, 5);
    EXPECT_EQ(summary.totalCents, 1300);
    EXPECT_EQ(summary.withoutTotal, 1);
}

}  // namespace
}  // namespace vellumark
