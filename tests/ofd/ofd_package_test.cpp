// Files that are not sound OFD packages are refused, each with its reason;
// trouble with a seal leaves the page and says what is missing.
#include <gtest/gtest.h>

#include <functional>

#include "error_words.h"
#include "ofd/ofd.h"
#include "ofd_helpers.h"

namespace ofd::testing {
namespace {

const std::string kText =
    R"(<ofd:TextObject ID="5" Boundary="10 10 80 10" Font="3" Size="5"><ofd:TextCode X="0" Y="5" DeltaX="g 1 5">发票</ofd:TextCode></ofd:TextObject>)";

struct BadFile {
    const char* name;
    std::function<std::string()> bytes;
    const char* words;
};

std::string With(const std::function<void(Entries&)>& change) {
    Entries entries = MinimalOfd(kText);
    change(entries);
    return Zip(entries);
}

const BadFile kBadFiles[] = {
    {"empty", [] { return std::string(); }, kWordsEmpty},
    {"not a zip", [] { return std::string("%PDF-1.7 not a zip at all"); }, kWordsNotZip},
    {"cut short",
     [] {
         const std::string z = Zip(MinimalOfd(kText));
         return z.substr(0, z.size() - 30);
     },
     kWordsNotZip},
    {"no OFD.xml", [] { return With([](Entries& e) { e.erase("OFD.xml"); }); }, kWordsNoOfdXml},
    {"no document", [] { return With([](Entries& e) { e.erase("Doc_0/Document.xml"); }); },
     kWordsMissingPart},
    {"no page", [] { return With([](Entries& e) { e.erase("Doc_0/Pages/Page_0/Content.xml"); }); },
     kWordsMissingPart},
    {"page not XML",
     [] { return With([](Entries& e) { e["Doc_0/Pages/Page_0/Content.xml"] = "<ofd:Page><a>"; }); },
     kWordsBadXml},
    {"entity bomb",
     [] {
         return With([](Entries& e) {
             e["OFD.xml"] =
                 "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">"
                 "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><r>&b;</r>";
         });
     },
     kWordsDtd},
    {"climbing name", [] { return With([](Entries& e) { e["../../etc/passwd"] = "x"; }); },
     kWordsUnsafeName},
    {"absolute name", [] { return With([](Entries& e) { e["/etc/passwd"] = "x"; }); },
     kWordsUnsafeName},
    {"zip bomb",
     [] {
         return With(
             [](Entries& e) { e["Doc_0/Pages/Page_0/Content.xml"] = std::string(65u << 20, ' '); });
     },
     kWordsEntryTooLarge},
    {"absurd page", [] { return Zip(MinimalOfd(kText, "", "0 0 100000 60")); }, kWordsBadPageSize},
    {"no pages",
     [] {
         return With([](Entries& e) {
             e["Doc_0/Document.xml"] =
                 R"(<ofd:Document xmlns:ofd="http://www.ofdspec.org/2016"><ofd:Pages/></ofd:Document>)";
         });
     },
     kWordsNoPages},
};

class Refused : public ::testing::TestWithParam<BadFile> {};

TEST_P(Refused, WithItsOwnReason) {
    auto opened = OpenOfdBytes(GetParam().bytes());
    ASSERT_TRUE(std::holds_alternative<Error>(opened));
    EXPECT_EQ(std::get<Error>(opened).words, GetParam().words) << std::get<Error>(opened).detail;
    EXPECT_FALSE(std::get<Error>(opened).detail.empty());
}

INSTANTIATE_TEST_SUITE_P(Ofd, Refused, ::testing::ValuesIn(kBadFiles), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

TEST(OfdFile, MissingFileIsSaidSo) {
    auto opened = OpenOfd("/nonexistent/folder/\xb7\xa2\xc6\xb1.ofd");  // GBK bytes
    ASSERT_TRUE(std::holds_alternative<Error>(opened));
    EXPECT_EQ(std::get<Error>(opened).words, kWordsMissingFile);
}

TEST(OfdFile, PageOutOfRangeIsAnErrorNotACrash) {
    auto opened = OpenOfdBytes(Zip(MinimalOfd(kText)));
    ASSERT_TRUE(std::holds_alternative<OfdDocument>(opened));
    const auto& document = std::get<OfdDocument>(opened);
    for (int index : {-1, 1, 1 << 30})
        EXPECT_TRUE(std::holds_alternative<Error>(document.PageAsPdf(index)));
    EXPECT_EQ(document.PageSizeMm(5).width, 0);
}

// A signature whose seal cannot be read: the page is still drawn and the
// missing seal is named, as a user would rather print the invoice than not.
TEST(OfdFile, UnknownSealLeavesThePageAndIsNamed) {
    for (const std::string& value : {std::string("\x30\x03\x02\x01\x01", 5), std::string("junk")}) {
        auto opened = OpenOfdBytes(Zip(WithOneSeal(MinimalOfd(kText), "50 20 30 20", value)));
        ASSERT_TRUE(std::holds_alternative<OfdDocument>(opened));
        auto page = std::get<OfdDocument>(opened).PageAsPdf(0);
        ASSERT_TRUE(std::holds_alternative<PagePdf>(page));
        ASSERT_EQ(std::get<PagePdf>(page).omitted.size(), 1u);
        EXPECT_EQ(std::get<PagePdf>(page).omitted[0].words, kWordsSealUnknown);
        EXPECT_FALSE(Render(std::get<PagePdf>(page).pdf).isNull());
    }
}

}  // namespace
}  // namespace ofd::testing
