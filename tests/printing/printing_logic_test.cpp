#include "print/print_settings.h"
#include "print/printing.h"
#include "printing/printer_list.h"
#include "printing/range_choice.h"
#include "printing/text_number.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace vellumark {
namespace {

TEST(TextToNumber, ReadsLeadingNumberAndTruncates) {
    EXPECT_EQ(TextToInteger(QStringLiteral("12abc")), 12);
    EXPECT_EQ(TextToInteger(QString()), 0);
    EXPECT_EQ(TextToInteger(QStringLiteral("abc")), 0);
    EXPECT_EQ(TextToInteger(QStringLiteral("2.9")), 2);
    EXPECT_EQ(TextToInteger(QStringLiteral("-2.9")), -2);
    EXPECT_EQ(TextToInteger(QStringLiteral(" 7")), 7);
    EXPECT_EQ(TextToInteger(QStringLiteral("99999999999999999999")), INT_MAX);
    EXPECT_DOUBLE_EQ(TextToNumber(QStringLiteral(".5x")), 0.5);
}

TEST(RangeChoice, BoxesPerChoice) {
    RangeBoxes all = AllPagesChosen(7);
    EXPECT_EQ(all.fromText, "1");
    EXPECT_EQ(all.toText, "7");
    EXPECT_FALSE(all.fromEnabled || all.toEnabled || all.currentEnabled);
    RangeBoxes current = CurrentPageChosen();
    EXPECT_TRUE(current.fromText.isEmpty() && current.toText.isEmpty());
    EXPECT_TRUE(current.currentEnabled && !current.fromEnabled && !current.toEnabled);
    RangeBoxes range = PageRangeChosen(4);
    EXPECT_EQ(range.toText, "4");
    EXPECT_TRUE(range.fromEnabled && range.toEnabled && !range.currentEnabled);
}

TEST(DefaultPrinter, MatchesByteForByte) {
    EXPECT_EQ(DefaultPrinterIndex({{"a", "B", "b"}, "b"}), 2);
    EXPECT_EQ(DefaultPrinterIndex({{"a"}, "A"}), -1);
    EXPECT_EQ(DefaultPrinterIndex({{"a"}, ""}), -1);
}

class RecordingSpooler : public pdfax::Spooler {
public:
    explicit RecordingSpooler(std::vector<pdfax::PrintJob>& jobs) : jobs_(jobs) {}
    int Submit(const pdfax::PrintJob& job) override {
        jobs_.push_back(job);
        return static_cast<int>(jobs_.size());
    }

private:
    std::vector<pdfax::PrintJob>& jobs_;
};

std::map<std::string, std::string> Options(const pdfax::PrintJob& job) {
    return {job.options.begin(), job.options.end()};
}

TEST(CustomPrinter, AcceptsExactlyTheTabledRanges) {
    pdfax::CustomPrinter printer;
    struct Case {
        int setting, low, high;
    };
    // low and high are the ends of the accepted range; high 0 means unbounded.
    for (Case c : {Case{1, 0, 68}, Case{2, 1, 0}, Case{3, 1, 0}, Case{4, 1, 0}, Case{5, 1, 4800},
                   Case{7, 1, 3}, Case{10, 1, 0}, Case{11, 1, 2}}) {
        EXPECT_FALSE(printer.Apply(c.setting, c.low - 1)) << c.setting;
        EXPECT_TRUE(printer.Apply(c.setting, c.low)) << c.setting;
        if (c.high) {
            EXPECT_TRUE(printer.Apply(c.setting, c.high)) << c.setting;
            EXPECT_FALSE(printer.Apply(c.setting, c.high + 1)) << c.setting;
        }
    }
    EXPECT_FALSE(printer.Apply(12, 1));
    EXPECT_FALSE(printer.Apply(0, 1));
}

TEST(Printing, SendsAcceptedSettingsOnly) {
    std::vector<pdfax::PrintJob> jobs;
    pdfax::Printing printing(std::make_unique<RecordingSpooler>(jobs));
    EXPECT_EQ(printing.NewCustomPrinter(""), "");
    const std::string custom = printing.NewCustomPrinter("Office");
    EXPECT_EQ(custom, "Office#1");
    EXPECT_EQ(printing.Setup("Nobody#9", 4, 1), 0);
    EXPECT_EQ(printing.Setup(custom, 2, 148), 1);
    EXPECT_EQ(printing.Setup(custom, 3, 210), 1);
    EXPECT_EQ(printing.Setup(custom, 4, 0), 0);  // refused, so no copies at all
    EXPECT_EQ(printing.Setup(custom, 11, 2), 1);
    EXPECT_EQ(printing.Print(custom, 1, 3, "/x/电子发票.pdf"), 1);
    ASSERT_EQ(jobs.size(), 1u);
    auto options = Options(jobs[0]);
    EXPECT_EQ(jobs[0].printer, "Office");
    EXPECT_EQ(jobs[0].title, "电子发票.pdf");
    EXPECT_EQ(options.count("copies"), 0u);
    EXPECT_EQ(options["media"], "iso_a5_148x210mm");
    EXPECT_EQ(options["orientation-requested"], "4");
    EXPECT_EQ(options["page-ranges"], "1-3");
    EXPECT_EQ(options.count("sides"), 0u);

    // A range no document has is refused, not turned into another one.
    for (auto [first, last] : {std::pair{5, 2}, {0, 3}, {0, 0}, {-2, 1}})
        EXPECT_EQ(printing.Print(custom, first, last, "/x/a.pdf"), 0) << first << "-" << last;
    EXPECT_EQ(jobs.size(), 1u);
    EXPECT_EQ(printing.Print("Other#1", 1, 1, "/x/a.pdf"), 0);
}

TEST(MediaName, NamedOrCustom) {
    EXPECT_EQ(pdfax::MediaName(210, 297), "iso_a4_210x297mm");
    EXPECT_EQ(pdfax::MediaName(297, 210), "iso_a4_210x297mm");
    EXPECT_EQ(pdfax::MediaName(210, 200), "Custom.210x200mm");
}

}  // namespace
}  // namespace vellumark
