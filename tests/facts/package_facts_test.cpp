// What an OFD package states about its invoice stands over what was read off
// its drawn page; where the two differ, the field is marked uncertain.
#include "facts/package_facts.h"

#include <gtest/gtest.h>

namespace vellumark {
namespace {

InvoiceFacts Page(InvoiceKind kind, const char* number, const char* total) {
    InvoiceFacts facts;
    facts.kind = kind;
    facts.fields[kFactNumber] = number;
    facts.fields[kFactTotal] = total;
    return facts;
}

ofd::InvoiceData Stated(const char* kind, const char* number, const char* total) {
    ofd::InvoiceData data;
    data.kind.value = kind;
    data.number.value = number;
    data.total.value = total;
    data.seller_id.value = *number ? "91330106MA7GAL1299" : "";
    return data;
}

TEST(PackageFacts, ThePackageStandsOverThePageAndDisagreementIsMarked) {
    const auto ordinary = InvoiceKind::kElectronicOrdinary, other = InvoiceKind::kOther;
    const struct {
        const char* name;
        InvoiceFacts page;
        ofd::InvoiceData data;
        InvoiceKind kind;
        const char *number, *total, *sellerId;
        bool numberUncertain, totalUncertain;
    } cases[] = {
        {"agreeing", Page(ordinary, "99934328", "11.20"), Stated("e_ordinary", "99934328", "11.2"),
         ordinary, "99934328", "11.20", "91330106MA7GAL1299", false, false},
        {"disagreeing", Page(ordinary, "99934329", "11.20"),
         Stated("e_ordinary", "99934328", "12.20"), ordinary, "99934328", "12.20",
         "91330106MA7GAL1299", true, true},
        {"a page that could not be read", Page(other, "", ""),
         Stated("e_ordinary", "99934328", "11.20"), ordinary, "99934328", "11.20",
         "91330106MA7GAL1299", false, false},
        {"a package that states nothing", Page(ordinary, "99934328", "11.20"), Stated("", "", ""),
         ordinary, "99934328", "11.20", "", false, false},
        {"no invoice keeps no number", Page(other, "", ""),
         Stated("other", "22119130671000000049", "181.00"), other, "", "", "91330106MA7GAL1299",
         false, false},
        {"a package's kind never unmakes an invoice", Page(ordinary, "", ""),
         Stated("other", "99934328", "11.20"), ordinary, "99934328", "11.20", "91330106MA7GAL1299",
         false, false},
        {"a toll invoice stays one", Page(InvoiceKind::kToll, "99934328", ""),
         Stated("e_ordinary", "99934328", "11.20"), InvoiceKind::kToll, "99934328", "11.20",
         "91330106MA7GAL1299", false, false},
        {"known by its code alone", Page(InvoiceKind::kUnknown, "99934328", "11.20"),
         Stated("", "", ""), InvoiceKind::kUnknown, "99934328", "11.20", "", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const InvoiceFacts facts = WithPackageData(c.page, c.data);
        EXPECT_EQ(facts.kind, c.kind);
        EXPECT_EQ(facts.Get(kFactNumber), c.number);
        EXPECT_EQ(facts.Get(kFactTotal), c.total);
        EXPECT_EQ(facts.Get(kFactSellerId), c.sellerId);
        EXPECT_EQ(facts.IsUncertain(kFactNumber), c.numberUncertain);
        EXPECT_EQ(facts.IsUncertain(kFactTotal), c.totalUncertain);
    }
}

}  // namespace
}  // namespace vellumark
