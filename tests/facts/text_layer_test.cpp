// Facts read from text layers that are harder to read: GBK in a font
// without a ToUnicode map, an invoice drawn turned or small on its page,
// and text whose font's codes say nothing.
#include "facts/page_facts.h"
#include "fixtures/text_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace vellumark {
namespace {

using fixtures::FixtureInvoice;
using fixtures::Placement;

InvoiceFacts FactsOfFile(const std::function<bool(const std::string&)>& write) {
    testing::TempDir dir;
    EXPECT_TRUE(write(dir / "invoice.pdf"));
    const auto facts = ReadFacts(testing::Library(), {dir / "invoice.pdf"});
    return facts.empty() ? InvoiceFacts{} : facts[0];
}

// Every field the invoice's text gives, as written.
void ExpectAllFields(const InvoiceFacts& facts, const FixtureInvoice& want) {
    EXPECT_EQ(facts.Get(kFactCode), want.digital ? "" : want.code);
    EXPECT_EQ(facts.Get(kFactNumber), want.number);
    EXPECT_EQ(facts.Get(kFactDate), want.date);
    EXPECT_EQ(facts.Get(kFactTotal), want.total);
    EXPECT_EQ(facts.Get(kFactAmount), want.amount);
    EXPECT_EQ(facts.Get(kFactTax), want.tax);
    EXPECT_EQ(facts.Get(kFactSeller), want.seller);
    EXPECT_EQ(facts.Get(kFactSellerId), want.sellerId);
    EXPECT_EQ(facts.Get(kFactBuyer), want.buyer);
    EXPECT_EQ(facts.Get(kFactBuyerId), want.buyerId);
    EXPECT_EQ(facts.uncertain, 0u);
}

TEST(TextLayer, TurnedAndPlacedInvoicesReadLikeUprightOnes) {
    struct Case {
        const char* name;
        Placement placement;
    };
    const Case cases[] = {
        {"upright", {}},
        {"turned 90", {90}},
        {"turned 180", {180}},
        {"turned 270", {270}},
        {"turned 270 on a page shown turned 90", {270, 90}},
        {"on a page shown turned 180", {0, 180}},
        {"small in the middle of landscape A4", {0, 0, 0.6, 842, 595}},
        {"small and turned 90 on portrait A4", {90, 0, 0.8, 595, 842}},
    };
    FixtureInvoice invoice;
    invoice.qrCode = false;  // the text alone
    for (const bool digital : {true, false}) {
        invoice.digital = digital;
        invoice.sideBySide = digital;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (digital ? ", digital" : ", older"));
            const InvoiceFacts facts = FactsOfFile([&](const std::string& path) {
                return fixtures::WritePlacedInvoicePdf(path, invoice, c.placement);
            });
            EXPECT_EQ(facts.kind,
                      digital ? InvoiceKind::kDigitalOrdinary : InvoiceKind::kElectronicOrdinary);
            ExpectAllFields(facts, invoice);
        }
    }
}

TEST(TextLayer, GbkTextInAFontWithoutToUnicodeReads) {
    FixtureInvoice regional;
    regional.digital = false;
    regional.sideBySide = false;
    regional.qrCode = false;
    const InvoiceFacts facts = FactsOfFile(
        [&](const std::string& path) { return fixtures::WriteGbkInvoicePdf(path, regional); });
    EXPECT_EQ(facts.kind, InvoiceKind::kElectronicOrdinary);
    ExpectAllFields(facts, regional);
}

// Codes that are glyph numbers give no text, so no value at all rather than
// a wrong one; what the QR code says then stands unchallenged.
TEST(TextLayer, AnUnreadableTextLayerGivesEmptyFieldsNotWrongOnes) {
    FixtureInvoice invoice;
    invoice.qrCode = false;
    const InvoiceFacts garbled = FactsOfFile([&](const std::string& path) {
        return fixtures::WriteGarbledInvoicePdf(path, invoice, true);
    });
    for (int field = 0; field < kFactFieldCount; ++field)
        EXPECT_EQ(garbled.fields[field], "") << field;

    // Readable labels, unreadable values: the Chinese names alone.
    const InvoiceFacts values = FactsOfFile([&](const std::string& path) {
        return fixtures::WriteGarbledInvoicePdf(path, invoice, false);
    });
    EXPECT_EQ(values.kind, InvoiceKind::kDigitalOrdinary);
    for (const FactField field :
         {kFactNumber, kFactDate, kFactTotal, kFactAmount, kFactTax, kFactSellerId, kFactBuyerId})
        EXPECT_EQ(values.Get(field), "") << field;
    EXPECT_EQ(values.Get(kFactSeller), invoice.seller);
    EXPECT_EQ(values.Get(kFactBuyer), invoice.buyer);

    invoice.qrCode = true;
    const InvoiceFacts withCode = FactsOfFile([&](const std::string& path) {
        return fixtures::WriteGarbledInvoicePdf(path, invoice, false);
    });
    EXPECT_EQ(withCode.Get(kFactNumber), invoice.number);
    EXPECT_EQ(withCode.Get(kFactTotal), invoice.total);
    EXPECT_EQ(withCode.uncertain, 0u);
}

}  // namespace
}  // namespace vellumark
