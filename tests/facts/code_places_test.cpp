// Codes wherever invoices put them: images and vector paths, in the corner
// where the search looks first and elsewhere, on pages turned any quarter,
// dense verification addresses, and what each address's amount means.
#include "facts/page_facts.h"
#include "fixtures/invoice_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vellumark {
namespace {

using fixtures::FixtureCode;
using fixtures::FixtureInvoice;
using testing::TempDir;

// A blockchain invoice's address: long enough for a code of version 7 or
// more, whose modules are under two pixels at the first search's 100 dpi.
constexpr const char* kLongAddress =
    "https://bcfp.shenzhen.chinatax.gov.cn/verify/scan?hash="
    "01955ef909a61c7d14c7b80ad4ae5284bd39079f03e73cc8585af3949ff2dbfa20"
    "&bill_num=24957000000021350618&total_amount=74000";

struct PlaceCase {
    const char* name;
    FixtureCode drawing;
    int rotate;
    const char* qrText;  // empty: the comma form
};

TEST(CodePlaces, TheCodeIsReadWhereverAndHoweverItIsDrawn) {
    const PlaceCase cases[] = {
        {"image", FixtureCode::kImageTopLeft, 0, ""},
        {"paths top left", FixtureCode::kPathsTopLeft, 0, ""},
        {"paths lower right", FixtureCode::kPathsLowerRight, 0, ""},
        {"dense image", FixtureCode::kImageTopLeft, 0, kLongAddress},
        {"dense paths", FixtureCode::kPathsTopLeft, 0, kLongAddress},
        {"dense paths lower right", FixtureCode::kPathsLowerRight, 0, kLongAddress},
        {"image turned 90", FixtureCode::kImageTopLeft, 90, ""},
        {"paths turned 90", FixtureCode::kPathsTopLeft, 90, ""},
        {"paths turned 180", FixtureCode::kPathsTopLeft, 180, ""},
        {"paths turned 270", FixtureCode::kPathsLowerRight, 270, ""},
        {"dense paths turned 270", FixtureCode::kPathsTopLeft, 270, kLongAddress},
    };
    TempDir dir;
    std::vector<std::string> paths;
    for (const PlaceCase& c : cases) {
        FixtureInvoice invoice;
        invoice.text = false;  // the code alone
        invoice.codeDrawing = c.drawing;
        invoice.rotate = c.rotate;
        invoice.qrText = c.qrText;
        paths.push_back(dir / (std::string(c.name) + ".pdf"));
        ASSERT_TRUE(fixtures::WriteFactInvoicePdf(paths.back(), invoice));
    }
    // The list's own resolution, the lowest any reading uses.
    const std::vector<InvoiceFacts> facts = ReadFacts(testing::Library(), paths);
    ASSERT_EQ(facts.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(facts[i].Get(kFactNumber), "24957000000021350618");
        EXPECT_EQ(facts[i].Get(kFactTotal), "740.00");
    }
}

TEST(CodePlaces, AnAddressesAmountBeforeTaxNeverBecomesTheTotal) {
    struct Case {
        const char* name;
        bool text;
        const char* qrText;
        const char *total, *amount;
        bool uncertain;
    };
    const Case cases[] = {
        {"text and je", true, "https://x.example.cn/v?fphm=24957000000021350618&je=69811", "740.00",
         "698.11", false},
        // Without text the tax is missing too: no total at all.
        {"je alone", false, "https://x.example.cn/v?fphm=24957000000021350618&je=69811", "",
         "698.11", false},
        {"je and se", false, "https://x.example.cn/v?fphm=24957000000021350618&je=69811&se=4189",
         "740.00", "698.11", true},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FixtureInvoice invoice;
        invoice.text = c.text;
        invoice.qrText = c.qrText;
        ASSERT_TRUE(fixtures::WriteFactInvoicePdf(dir / "a.pdf", invoice));
        const auto facts = ReadFacts(testing::Library(), {dir / "a.pdf"});
        ASSERT_EQ(facts.size(), 1u);
        EXPECT_EQ(facts[0].Get(kFactNumber), invoice.number);
        EXPECT_EQ(facts[0].Get(kFactTotal), c.total);
        EXPECT_EQ(facts[0].Get(kFactAmount), c.amount);
        EXPECT_EQ(facts[0].IsUncertain(kFactTotal), c.uncertain);
    }
}

}  // namespace
}  // namespace vellumark
