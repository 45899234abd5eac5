// Facts read through the library from made-up invoices: the QR code alone,
// the text alone, both blocks layouts, codes that disagree, a goods list
// split off its invoice, and the merge's own renders.
#include "facts/code_search.h"
#include "facts/listing.h"
#include "facts/page_facts.h"
#include "fixtures/invoice_fixtures.h"
#include "intake/invoice_intake.h"
#include "layout/merge_pipeline.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vellumark {
namespace {

using fixtures::FixtureInvoice;
using testing::TempDir;

InvoiceFacts FactsOf(const FixtureInvoice& invoice) {
    TempDir dir;
    EXPECT_TRUE(fixtures::WriteFactInvoicePdf(dir / "invoice.pdf", invoice));
    const auto facts = ReadFacts(testing::Library(), {dir / "invoice.pdf"});
    return facts.empty() ? InvoiceFacts{} : facts[0];
}

void ExpectFacts(const InvoiceFacts& facts, const FixtureInvoice& want, bool names) {
    EXPECT_EQ(facts.Get(kFactNumber), want.number);
    EXPECT_EQ(facts.Get(kFactDate), want.date);
    EXPECT_EQ(facts.Get(kFactTotal), want.total);
    EXPECT_EQ(facts.Get(kFactCode), want.digital ? "" : want.code);
    if (!names)
        return;
    EXPECT_EQ(facts.Get(kFactAmount), want.amount);
    EXPECT_EQ(facts.Get(kFactTax), want.tax);
    EXPECT_EQ(facts.Get(kFactSeller), want.seller);
    EXPECT_EQ(facts.Get(kFactSellerId), want.sellerId);
    EXPECT_EQ(facts.Get(kFactBuyer), want.buyer);
    EXPECT_EQ(facts.Get(kFactBuyerId), want.buyerId);
}

TEST(ReadFacts, FromTheCodeAloneAndFromTheTextAlone) {
    FixtureInvoice scanned;
    scanned.text = false;
    const InvoiceFacts fromCode = FactsOf(scanned);
    EXPECT_EQ(fromCode.kind, InvoiceKind::kDigitalOrdinary);
    ExpectFacts(fromCode, scanned, false);
    EXPECT_TRUE(fromCode.Get(kFactSeller).empty());

    FixtureInvoice printed;
    printed.qrCode = false;
    const InvoiceFacts fromText = FactsOf(printed);
    EXPECT_EQ(fromText.kind, InvoiceKind::kDigitalOrdinary);
    ExpectFacts(fromText, printed, true);
    EXPECT_EQ(fromText.uncertain, 0u);
}

TEST(ReadFacts, BuyerAndSellerStayApartInBothLayouts) {
    FixtureInvoice digital;  // blocks side by side
    const InvoiceFacts sideBySide = FactsOf(digital);
    ExpectFacts(sideBySide, digital, true);
    EXPECT_EQ(sideBySide.uncertain, 0u);

    FixtureInvoice older;
    older.digital = false;
    older.sideBySide = false;
    older.number = "72075636";
    older.total = "19.70", older.amount = "19.70", older.tax = "0.00";
    const InvoiceFacts stacked = FactsOf(older);
    EXPECT_EQ(stacked.kind, InvoiceKind::kElectronicOrdinary);
    ExpectFacts(stacked, older, true);
}

TEST(ReadFacts, ACodeThatDisagreesMarksTheField) {
    FixtureInvoice invoice;
    invoice.qrText = "01,32,,24957000000021350699,740.00,20240514,,72EC";
    const InvoiceFacts facts = FactsOf(invoice);
    EXPECT_TRUE(facts.IsUncertain(kFactNumber));
    EXPECT_FALSE(facts.IsUncertain(kFactDate));
    EXPECT_FALSE(facts.IsUncertain(kFactTotal));
}

TEST(ReadFacts, GoodsListPagesContinueTheirInvoiceAndAreNeverDuplicates) {
    TempDir folder;
    FixtureInvoice invoice;
    invoice.goodsListPages = 2;
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "发票.pdf", invoice));
    // The same invoice downloaded again, its goods list a little different.
    invoice.goodsListPages = 1;
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "再次下载.pdf", invoice));
    FixtureInvoice other;
    other.number = "24957000000021351343";
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "另一张.pdf", other));

    IntakeValues values;
    values.sourceFolder = folder.path();
    InvoiceRows rows;
    ASSERT_EQ(BuildInvoiceList(testing::Library(), values, rows), BuildResult::kListed);
    ASSERT_EQ(rows.rowCount(), 6);
    std::vector<std::string> paths;
    for (int row = 0; row < rows.rowCount(); ++row)
        paths.push_back(rows.Path(row));
    const Listing listing = BuildListing(rows, ReadFacts(testing::Library(), paths));
    std::map<std::string, const ListedInvoice*> byName;
    for (const auto& row : listing.rows)
        byName[row.name] = &row;
    const ListedInvoice* first = byName["发票(第1页)"];
    const ListedInvoice* again = byName["再次下载(第1页)"];
    ASSERT_TRUE(first && again && byName["发票(第2页)"] && byName["发票(第3页)"]);
    EXPECT_EQ(byName["发票(第2页)"]->continuationOf, first->order);
    EXPECT_EQ(byName["发票(第3页)"]->continuationOf, first->order);
    EXPECT_EQ(byName["再次下载(第2页)"]->continuationOf, again->order);
    for (const char* list : {"发票(第2页)", "发票(第3页)", "再次下载(第2页)"}) {
        EXPECT_EQ(byName[list]->duplicateOf, 0) << list;
        EXPECT_TRUE(byName[list]->facts.Get(kFactTotal).empty()) << list;
    }
    EXPECT_EQ(std::max(first->duplicateOf, again->duplicateOf),
              std::min(first->order, again->order));
    EXPECT_EQ(listing.summary.invoices, 2);
    EXPECT_EQ(listing.summary.totalCents, 2 * 74000);
}

TEST(ReadFacts, TheMergesOwnRendersGiveTheSameFactsTurnedOrNot) {
    TempDir folder, images;
    const FixtureInvoice invoice;
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "a.pdf", invoice));
    std::vector<pdfax::RenderJob> jobs(2);
    for (int i = 0; i < 2; ++i) {
        jobs[i].input = folder / "a.pdf";
        jobs[i].format = pdfax::kImageFormatJpeg;
        jobs[i].output = images / (std::to_string(i) + ".jpg");
        jobs[i].readFacts = true;
        jobs[i].codes = InvoiceCodeSearch();
    }
    jobs[1].rotation = 90;  // as the modes that turn tall invoices do
    std::vector<InvoiceFacts> facts(2);
    EXPECT_EQ(
        testing::Library().RenderPagesToFiles(jobs, 0,
                                              [&](int index, const pdfax::RenderedImage& image) {
                                                  facts[index] = FactsOfRender(image);
                                                  EXPECT_FALSE(image.code.empty()) << index;
                                                  return true;
                                              }),
        2);
    for (const InvoiceFacts& read : facts) {
        ExpectFacts(read, invoice, true);
        EXPECT_EQ(read.uncertain, 0u);
    }
}

}  // namespace
}  // namespace vellumark
