#include "facts/text_facts.h"

#include "page_layout.h"
#include "text_scan.h"

#include <algorithm>
#include <tuple>

namespace vellumark {
namespace {

// How far a value may stand from the one before it, in font sizes: wider
// gaps separate the columns of side-by-side blocks.
constexpr double kValueGap = 2.5;

std::u32string WithoutBlanks(std::u32string text) {
    text.erase(std::remove_if(text.begin(), text.end(), IsBlank), text.end());
    return text;
}

bool Contains(const std::u32string& text, const std::u32string& part) {
    return text.find(part) != std::u32string::npos;
}

InvoiceKind KindFromTitle(const PageLayout& page) {
    const std::u32string text = WithoutBlanks(page.AllLines());
    const auto any = [&](std::initializer_list<const char32_t*> titles) {
        return std::any_of(titles.begin(), titles.end(),
                           [&](const char32_t* title) { return Contains(text, title); });
    };
    if (any({U"电子发票（增值税专用发票）", U"电子发票(增值税专用发票)", U"电子发票（专用发票）",
             U"电子发票(专用发票)"}))
        return InvoiceKind::kDigitalSpecial;
    if (any({U"电子发票（普通发票）", U"电子发票(普通发票)"}))
        return InvoiceKind::kDigitalOrdinary;
    // A toll bill's title; its itineraries and summaries have others.
    if (Contains(text, U"通行费") && any({U"票据（电子）", U"票据(电子)", U"电子普通发票"}))
        return InvoiceKind::kToll;
    if (Contains(text, U"增值税电子专用发票"))
        return InvoiceKind::kElectronicSpecial;
    if (Contains(text, U"增值税电子普通发票"))
        return InvoiceKind::kElectronicOrdinary;
    return InvoiceKind::kUnknown;
}

std::string RunAfter(const PageLayout& page, std::initializer_list<const char32_t*> labels,
                     std::size_t least, std::size_t most, bool (*allowed)(char32_t)) {
    for (const char32_t* label : labels) {
        for (const LabelPlace& place : page.Find(label)) {
            const std::u32string run =
                Utf32(FirstRun(WithoutBlanks(page.After(place, kValueGap)), least, most, allowed));
            if (!run.empty())
                return Utf8(run);
        }
    }
    return {};
}

// "开票日期", or "填开日期" on an air ticket's itinerary.
std::string DateAfterLabel(const PageLayout& page) {
    for (const char32_t* label : {U"开票日期", U"填开日期"}) {
        for (const LabelPlace& place : page.Find(label)) {
            if (std::string date = FirstDate(page.After(place, 6)); !date.empty())
                return date;
        }
    }
    return {};
}

void ReadTotal(const PageLayout& page, const std::u32string& lines, InvoiceFacts& facts) {
    for (const char32_t* label : {U"（小写）", U"(小写)"}) {
        for (const LabelPlace& place : page.Find(label)) {
            const std::vector<Money> found = AmountsIn(page.After(place, 8));
            if (!found.empty() && !found[0].starred) {
                facts.fields[kFactTotal] = FormatCents(found[0].cents);
                return;
            }
        }
    }
    // Without its label the total is still the largest amount marked "¥":
    // it is the sum of everything else the invoice charges.
    std::optional<std::int64_t> largest;
    for (const Money& money : AmountsIn(lines)) {
        if (money.yen && (!largest || money.cents > *largest))
            largest = money.cents;
    }
    if (largest) {
        facts.fields[kFactTotal] = FormatCents(*largest);
        facts.MarkUncertain(kFactTotal);
    }
}

// The "合计" line: the amount before tax, then the tax ("***" where none is
// charged). "价税合计" is the total's line, not this one.
void ReadSumLine(const PageLayout& page, InvoiceFacts& facts) {
    for (const LabelPlace& place : page.Find(U"合计")) {
        if (page.Before(place) == U'税' || page.Before(place) == U'额')
            continue;
        std::vector<Money> found = AmountsIn(page.After(place, 1e9));
        if (found.empty())
            found = AmountsIn(page.AboveRight(place, 1.2));
        if (found.empty() || found[0].starred)
            continue;
        facts.fields[kFactAmount] = FormatCents(found[0].cents);
        if (found.size() > 1)
            facts.fields[kFactTax] = FormatCents(found[1].cents);
        return;
    }
}

// An air itinerary's fare table: each charge under its heading. Its "合计"
// is the total with tax and "增值税税额" the tax; no amount before tax is
// written, so none is read from elsewhere.
void ReadFareTable(const PageLayout& page, InvoiceFacts& facts) {
    const auto under = [&](const char32_t* heading) -> std::optional<std::int64_t> {
        for (const LabelPlace& place : page.Find(heading)) {
            const std::vector<Money> found = AmountsIn(page.Under(place, 2.5));
            if (!found.empty() && !found[0].starred)
                return found[0].cents;
        }
        return std::nullopt;
    };
    const auto total = under(U"合计"), tax = under(U"增值税税额");
    if (!total || !tax)
        return;
    facts.fields[kFactTotal] = FormatCents(*total);
    facts.fields[kFactTax] = FormatCents(*tax);
    facts.fields[kFactAmount].clear();
    facts.uncertain &= ~(1u << kFactTotal);
}

// The heading a label belongs to: the nearest heading written downwards to
// its left that reaches down to it, or else the nearest one above it.
const LabelPlace* HeadingOf(const LabelPlace& label, const std::vector<LabelPlace>& headings) {
    const LabelPlace* best = nullptr;
    for (const LabelPlace& heading : headings) {
        if (heading.frame != label.frame)
            continue;
        const double reach = 2 * heading.size;
        const bool downwards = heading.line < 0;
        if (downwards && heading.left <= label.left + 1 && label.bottom >= heading.top - reach &&
            label.bottom <= heading.bottom + reach && (!best || heading.left > best->left))
            best = &heading;
    }
    if (best)
        return best;
    // Headings written across head the block below them; two side by side
    // share a line, and a label belongs to the one it stands under.
    const auto rank = [&](const LabelPlace& heading) {
        return std::tuple{heading.left <= label.left + 1, heading.bottom, heading.left};
    };
    for (const LabelPlace& heading : headings) {
        if (heading.frame == label.frame && heading.bottom <= label.bottom &&
            (!best || rank(heading) > rank(*best)))
            best = &heading;
    }
    return best;
}

void ReadParties(const PageLayout& page, InvoiceFacts& facts) {
    std::vector<LabelPlace> headings;
    std::vector<bool> isBuyer;
    for (const auto& [downwards, across, buyer] : {std::tuple{U"购买方", U"购买方信息", true},
                                                   std::tuple{U"销售方", U"销售方信息", false}}) {
        auto found = page.FindDownwards(downwards);
        if (found.empty())
            found = page.Find(across);
        for (const LabelPlace& place : found) {
            headings.push_back(place);
            isBuyer.push_back(buyer);
        }
    }
    const auto side = [&](const LabelPlace& label) -> int {
        const LabelPlace* heading = HeadingOf(label, headings);
        return heading ? (isBuyer[static_cast<std::size_t>(heading - headings.data())] ? 1 : 0)
                       : -1;
    };
    for (const LabelPlace& place : page.Find(U"名称")) {
        const int buyer = side(place);
        std::u32string name = page.After(place, kValueGap);
        while (!name.empty() && IsBlank(name.back()))
            name.pop_back();
        std::string& field = facts.fields[buyer == 1 ? kFactBuyer : kFactSeller];
        if (place.colon && buyer >= 0 && field.empty() && !name.empty())
            field = Utf8(name);
    }
    for (const LabelPlace& place : page.Find(U"纳税人识别号")) {
        const int buyer = side(place);
        const std::string id =
            FirstRun(WithoutBlanks(page.After(place, kValueGap)), 15, 20, IsIdCharacter);
        std::string& field = facts.fields[buyer == 1 ? kFactBuyerId : kFactSellerId];
        if (place.colon && buyer >= 0 && field.empty() && !id.empty())
            field = id;
    }
    // A toll bill names its payer instead.
    for (const LabelPlace& place : page.Find(U"交款人")) {
        if (place.colon && facts.fields[kFactBuyer].empty())
            facts.fields[kFactBuyer] = Utf8(page.After(place, kValueGap));
    }
    for (const LabelPlace& place : page.Find(U"交款人统一社会信用代码")) {
        if (facts.fields[kFactBuyerId].empty())
            facts.fields[kFactBuyerId] =
                FirstRun(WithoutBlanks(page.After(place, kValueGap)), 15, 20, IsIdCharacter);
    }
}

}  // namespace

InvoiceFacts ReadTextFacts(const std::vector<pdfax::TextGlyph>& glyphs) {
    InvoiceFacts facts;
    const PageLayout page(glyphs);
    facts.kind = KindFromTitle(page);
    // A page with text but no invoice's title is some other document.
    if (facts.kind == InvoiceKind::kUnknown && !glyphs.empty())
        facts.kind = InvoiceKind::kOther;
    facts.fields[kFactCode] = RunAfter(page, {U"发票代码", U"票据代码"}, 8, 12, IsDigit);
    facts.fields[kFactNumber] = RunAfter(page, {U"发票号码", U"票据号码"}, 8, 20, IsDigit);
    facts.fields[kFactDate] = DateAfterLabel(page);
    ReadTotal(page, page.AllLines(), facts);
    ReadSumLine(page, facts);
    if (facts.kind == InvoiceKind::kOther)
        ReadFareTable(page, facts);
    ReadParties(page, facts);
    return facts;
}

}  // namespace vellumark
