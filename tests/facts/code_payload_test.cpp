// The regional forms of a QR code's text, what each amount means, a total
// made of its parts, and the listing's summary that names what it lacks.
#include "facts/invoice_code.h"
#include "facts/listing.h"
#include "facts/page_facts.h"

#include <gtest/gtest.h>

namespace vellumark {
namespace {

struct PayloadCase {
    const char* text;
    const char *code, *number, *date, *total, *amount, *tax;
};

TEST(InvoiceCode, EachAddressParameterKeepsItsMeaning) {
    const PayloadCase cases[] = {
        // Blockchain invoices: the total in cents.
        {"https://bcfp.shenzhen.chinatax.gov.cn/verify/scan?hash=0195ef&bill_num=30532037"
         "&total_amount=7200",
         "", "30532037", "", "72.00", "", ""},
        // The amount before tax and the tax, never the total.
        {"https://inv.example.cn/v?fpdm=044002200111&fphm=38526680&je=69811&se=4189"
         "&kprq=20220830",
         "044002200111", "38526680", "2022-08-30", "", "698.11", "41.89"},
        {"https://x.cn/q?FPHM=12345678&JSHJ=74000&KPRQ=20240514103000", "", "12345678",
         "2024-05-14", "740.00", "", ""},
        {"https://x.cn/q?bill_code=144032209110&bill_num=09707118&je=698.11&date=2024-05-14",
         "144032209110", "09707118", "2024-05-14", "", "698.11", ""},
        // A fully digital invoice's delivery address.
        {"https://dppt.sichuan.chinatax.gov.cn:8443/v/"
         "2_25512000000076601234_2025040309352500Q4K520",
         "", "25512000000076601234", "2025-04-03", "", "", ""},
        // An amount nobody says the meaning of is left out.
        {"https://x.cn/q?fphm=12345678&amount=5000&money=1", "", "12345678", "", "", "", ""},
        {"https://x.cn/q?fphm=1234&je=abc", "", "", "", "", "", ""},
        // The comma form: the total on fully digital invoices and air
        // itineraries, the amount before tax on the older ones.
        {"01,32,,24957000000021350618,740.00,20240514,,72ec", "", "24957000000021350618",
         "2024-05-14", "740.00", "", ""},
        {"01,10,051002100211,04868862,759,20220825,024,9EAD,", "051002100211", "04868862",
         "2022-08-25", "", "759.00", ""},
        {"01,61,,9223372036854775807,620,20210728,,7890", "", "9223372036854775807", "2021-07-28",
         "620.00", "", ""},
    };
    for (const PayloadCase& c : cases) {
        SCOPED_TRACE(c.text);
        const CodeFacts facts = ParseInvoiceCode(c.text);
        EXPECT_EQ(facts.code, c.code);
        EXPECT_EQ(facts.number, c.number);
        EXPECT_EQ(facts.date, c.date);
        EXPECT_EQ(facts.total, c.total);
        EXPECT_EQ(facts.amount, c.amount);
        EXPECT_EQ(facts.tax, c.tax);
    }
}

struct MoneyCase {
    const char* name;
    const char *textTotal, *textAmount, *textTax;  // what the text layer read
    const char* code;
    const char* total;
    bool uncertain;
};

TEST(CombineFacts, TheTotalComesFromItsPartsOnlyWhenTheyAreThere) {
    const MoneyCase cases[] = {
        {"code's amount and text's tax", "", "", "41.89", "https://x.cn/q?fphm=12345678&je=69811",
         "740.00", true},
        {"both from the code", "", "", "", "https://x.cn/q?fphm=12345678&je=69811&se=4189",
         "740.00", true},
        {"no tax anywhere", "", "698.11", "", "https://x.cn/q?fphm=12345678&je=69811", "", false},
        {"the text's total stands", "740.00", "698.11", "41.89",
         "https://x.cn/q?fphm=12345678&je=69811", "740.00", false},
        {"a total in cents", "", "", "", "https://x.cn/q?bill_num=12345678&total_amount=7200",
         "72.00", false},
        // Some older codes carry the total where the amount belongs.
        {"total in the amount's place", "23.00", "21.70", "1.30",
         "01,10,011001600211,62713712,23.0,20171028", "23.00", false},
        {"amount and tax add up to the code's figure", "", "21.70", "1.30",
         "01,10,011001600211,62713712,23.0,20171028", "23.00", false},
    };
    for (const MoneyCase& c : cases) {
        SCOPED_TRACE(c.name);
        InvoiceFacts text;
        text.kind = InvoiceKind::kElectronicOrdinary;
        text.fields[kFactTotal] = c.textTotal;
        text.fields[kFactAmount] = c.textAmount;
        text.fields[kFactTax] = c.textTax;
        const InvoiceFacts facts = CombineFacts(text, ParseInvoiceCode(c.code));
        EXPECT_EQ(facts.Get(kFactTotal), c.total);
        EXPECT_EQ(facts.IsUncertain(kFactTotal), c.uncertain);
        EXPECT_FALSE(facts.IsUncertain(kFactAmount));
    }
    // A scan without text is known by its code alone.
    const InvoiceFacts scan =
        CombineFacts({}, ParseInvoiceCode("https://x.cn/q?bill_num=30532037&total_amount=7200"));
    EXPECT_EQ(scan.Get(kFactNumber), "30532037");
    EXPECT_EQ(scan.Get(kFactTotal), "72.00");
}

InvoiceFacts Facts(InvoiceKind kind, const char* number, const char* total) {
    InvoiceFacts facts;
    facts.kind = kind;
    facts.fields[kFactNumber] = number;
    facts.fields[kFactTotal] = total;
    return facts;
}

TEST(Listing, TheSummaryNamesWhatItCouldNotReadAndNothingElse) {
    InvoiceRows rows;
    const char* names[] = {"甲", "乙(第1页)", "乙(第2页)", "丙", "丁", "行程单", "戊", "己"};
    for (int row = 0; row < 8; ++row) {
        rows.AppendRow();
        rows.SetOrder(row, row + 1);
        rows.SetPath(row, std::string("/nowhere/") + names[row] + ".pdf");
    }
    const auto digital = InvoiceKind::kDigitalOrdinary;
    const std::vector<InvoiceFacts> facts = {
        Facts(digital, "24957000000021350618", "740.00"),
        Facts(digital, "24957000000021351343", "100.00"),
        Facts(digital, "24957000000021351343", ""),        // its goods list repeats the number
        Facts(digital, "24957000000021350999", ""),        // no total
        Facts(digital, "", "12.00"),                       // no number
        Facts(InvoiceKind::kOther, "", ""),                // a trip sheet
        Facts(InvoiceKind::kUnknown, "30532037", ""),      // a scan known by its code
        Facts(digital, "24957000000021350618", "740.00"),  // 甲 again
    };
    const Listing listing = BuildListing(rows, facts);
    EXPECT_EQ(listing.rows[2].continuationOf, 2);
    EXPECT_EQ(listing.rows[2].duplicateOf, 0);
    EXPECT_EQ(listing.rows[7].duplicateOf, 1);
    EXPECT_EQ(listing.unread, (std::vector<int>{4, 5, 7}));
    EXPECT_EQ(listing.summary.invoices, 2);
    EXPECT_EQ(listing.summary.totalCents, 84000);
    EXPECT_EQ(SummaryText(listing),
              "共 2 张发票，价税合计 840.00 元；另有 3 张未能读出金额：丙、丁、戊");
    const std::string json = FormatListing(listing, ListFormat::kJson);
    EXPECT_NE(json.find("\"without_total\": 3, \"unread\": [4, 5, 7]}"), std::string::npos) << json;
}

}  // namespace
}  // namespace vellumark
