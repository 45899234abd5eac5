// What a user's folder goes through with vellumark-cli run as a process:
// another run on the same folder, a kill at any moment, a full disk, a
// read-only folder, names at the file system's limit. Every page of every
// invoice must survive exactly once, on disk and on the sheets, and every
// failure must be said with its file and reason.
#include "cli_process.h"
#include "fixtures/invoice_fixtures.h"
#include "intake/folder_lock.h"
#include "page_contents.h"
#include "small_file_system.h"
#include "test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace vellumark::testing {
namespace {

using namespace std::chrono_literals;

bool Mentions(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

// A folder of labelled invoices: `singles` one-page files and one file of
// `pages` pages, whose pages the intake splits.
class InvoiceFolder {
public:
    InvoiceFolder(int singles, int pages) {
        for (int i = 1; i <= singles; ++i)
            Write("单" + std::to_string(i) + ".pdf", 1);
        Write("多页.pdf", pages);
        expected_ = PagesInFolder(dir_.path());
        total_ = singles + pages;
    }
    const std::string& path() const { return dir_.path(); }
    std::string operator/(const std::string& name) const { return dir_ / name; }
    // Every page there exactly once, whatever files they are in now.
    bool EveryPageOnce() const { return PagesInFolder(dir_.path()) == expected_; }
    // The report's count: every page went onto the sheets.
    std::string AllOnSheets() const { return " " + std::to_string(total_) + " 张电子发票"; }

private:
    void Write(const std::string& name, int pages) {
        std::vector<fixtures::FixturePage> sheets;
        for (int page = 1; page <= pages; ++page)
            sheets.push_back(fixtures::ShortPage(name + "-" + std::to_string(page)));
        ASSERT_TRUE(fixtures::WriteInvoicePdf(dir_ / name, sheets));
    }

    TempDir dir_;
    std::vector<PageImprint> expected_;
    int total_ = 0;
};

// Waits until `run` has said `text` on standard error, or has ended.
bool WaitUntilSaid(RunningCli& run, const std::string& text) {
    for (int i = 0; i < 3000 && !run.Exited(); ++i) {
        if (Mentions(run.ErrSoFar(), text))
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return Mentions(run.ErrSoFar(), text);
}

TEST(OneFolderOneRun, TwoProgramsOnOneFolderWaitAndLoseNothing) {
    InvoiceFolder folder(3, 6);
    TempDir first, second, output;
    const auto before = Snapshot(folder.path());
    // This process holds the folder as the window program does while it
    // merges; both commands, each from its own program directory, wait.
    auto held = std::make_unique<FolderLocks>(FolderLocks::TryLock({folder.path()}));
    ASSERT_TRUE(held->Held());
    RunningCli a({"merge", folder.path(), "--output", output / "a.pdf"},
                 {MakeProgramDirectory(first.path())});
    RunningCli b({"merge", folder.path(), "--output", output / "b.pdf"},
                 {MakeProgramDirectory(second.path())});
    EXPECT_TRUE(WaitUntilSaid(a, kFolderBusyText));
    EXPECT_TRUE(WaitUntilSaid(b, kFolderBusyText));
    EXPECT_EQ(Snapshot(folder.path()), before);  // nothing touched while waiting
    held.reset();

    const CliRun ranA = a.Wait();
    const CliRun ranB = b.Wait();
    for (const CliRun* run : {&ranA, &ranB}) {
        EXPECT_EQ(run->exitCode, 0) << run->err;
        EXPECT_TRUE(Mentions(run->out, folder.AllOnSheets())) << run->out;
    }
    EXPECT_TRUE(folder.EveryPageOnce());
}

// How many page files of "多页.pdf" a split has written so far.
int PageFilesIn(const std::string& folder) {
    int count = 0;
    for (const auto& name : ListFolder(folder))
        count += name.rfind("多页(第", 0) == 0 ? 1 : 0;
    return count;
}

// Kills during the split, after a given number of its page files, and at
// moments of the merge after it; after each one a plain run finishes the
// work. The result file given with --output holds the previous result or a
// whole new one at every moment.
TEST(OneFolderOneRun, KilledRunsAreFinishedByTheNextOne) {
    TempDir output;
    const std::string result = output / "result.pdf";
    ASSERT_TRUE(fixtures::WriteInvoicePdf(result, fixtures::TallPage("previous")));
    struct Moment {
        int pageFiles;  // kill once the split has written this many
        std::chrono::milliseconds after;
    };
    for (const Moment moment : {Moment{0, 0ms}, Moment{1, 0ms}, Moment{4, 0ms}, Moment{11, 0ms},
                                Moment{12, 100ms}, Moment{12, 400ms}}) {
        SCOPED_TRACE(std::to_string(moment.pageFiles) + " page files, then " +
                     std::to_string(moment.after.count()) + " ms");
        InvoiceFolder folder(2, 12);
        {
            RunningCli killed({"merge", folder.path(), "--output", result});
            while (PageFilesIn(folder.path()) < moment.pageFiles && !killed.Exited())
                std::this_thread::sleep_for(200us);
            std::this_thread::sleep_for(moment.after);
            killed.Kill();
        }
        EXPECT_FALSE(PageImprints(result).empty());
        const CliRun next = RunCli({"merge", folder.path(), "--output", result});
        EXPECT_EQ(next.exitCode, 0) << next.err;
        EXPECT_TRUE(Mentions(next.out, folder.AllOnSheets())) << next.out;
        EXPECT_TRUE(folder.EveryPageOnce());
        for (const auto& name : ListFolder(folder.path()))
            EXPECT_NE(name.rfind(".vellumark-", 0), 0u) << name;
        EXPECT_EQ(ListFolder(output.path()), std::vector<std::string>{"result.pdf"});
    }
}

TEST(FullDisk, TheResultFileStaysAsItWasAndTheDiskIsNamed) {
    SmallFileSystem disk(512 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    InvoiceFolder folder(4, 1);
    const std::string result = disk / "电子发票.pdf";
    ASSERT_TRUE(fixtures::WriteInvoicePdf(result, fixtures::TallPage("previous")));
    const std::string previous = ReadFile(result);
    disk.FillLeaving(64 * 1024);

    const CliRun run = RunCli({"merge", folder.path(), "--output", result});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(Mentions(run.out, "成功"));
    EXPECT_TRUE(Mentions(run.err, result + "：磁盘已满")) << run.err;
    EXPECT_EQ(ReadFile(result), previous);
    EXPECT_EQ(ListFolder(disk.path()), (std::vector<std::string>{"filler", "电子发票.pdf"}));
}

TEST(FullDisk, AFileThatCannotBeSplitIsKeptWholeAndNamed) {
    SmallFileSystem disk(1024 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    std::vector<fixtures::FixturePage> pages;
    for (int page = 1; page <= 8; ++page)
        pages.push_back(fixtures::ShortPage("P" + std::to_string(page)));
    ASSERT_TRUE(fixtures::WriteInvoicePdf(disk / "多页.pdf", pages));
    disk.FillLeaving(2 * 1024);
    const auto before = Snapshot(disk.path());
    TempDir output;

    const CliRun run = RunCli({"merge", disk.path(), "--output", output / "o.pdf"});
    // Saved with page 1 of the file, and said that the rest is missing.
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_TRUE(Mentions(run.err, disk / "多页.pdf")) << run.err;
    EXPECT_TRUE(Mentions(run.err, "磁盘已满")) << run.err;
    EXPECT_TRUE(Mentions(run.err, "只打印了第1页（共8页）")) << run.err;
    EXPECT_EQ(Snapshot(disk.path()), before);
}

TEST(FullDisk, AFullProgramDirectoryIsReportedOnce) {
    TempDir spare;
    const long programSize =
        static_cast<long>(ReadFile(VELLUMARK_BINARY_DIR "/vellumark-cli").size());
    // Room for the program and its library module, and not much more.
    SmallFileSystem disk(3 * programSize + 8 * 1024 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    const std::string program = MakeProgramDirectory(disk.path());
    ASSERT_EQ(RunCli({"--help"}, {program}).exitCode, 0);
    const CliRun deploy = RunCli({"list", spare.path()}, {program});  // writes the module
    disk.FillLeaving(16 * 1024);
    InvoiceFolder folder(5, 1);

    const CliRun run = RunCli({"merge", folder.path(), "--output", spare / "o.pdf"}, {program});
    EXPECT_EQ(run.exitCode, 1) << deploy.err;
    // One line for the folder of the images, none blaming an invoice.
    EXPECT_TRUE(Mentions(run.err, disk / "临时图片") && Mentions(run.err, "磁盘已满")) << run.err;
    EXPECT_FALSE(Mentions(run.err, folder.path())) << run.err;
    EXPECT_TRUE(folder.EveryPageOnce());
}

// Without a small file system: one file may not grow past a limit, as if
// the disk filled up while the merged file was being written.
TEST(FullDisk, AFailedSaveKeepsThePreviousResult) {
    InvoiceFolder folder(8, 1);
    TempDir output;
    const std::string result = output / "o.pdf";
    ASSERT_EQ(RunCli({"list", folder.path()}).exitCode, 0);  // the module is in place
    ASSERT_TRUE(fixtures::WriteInvoicePdf(result, fixtures::TallPage("previous")));
    const std::string previous = ReadFile(result);
    CliOptions limited;
    limited.fileSizeLimit = 300 * 1024;  // each image fits, the merged file does not
    const CliRun run = RunCli({"merge", folder.path(), "--output", result}, limited);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_TRUE(Mentions(run.err, "电子发票批量导出失败！")) << run.err;
    EXPECT_TRUE(Mentions(run.err, result + "：")) << run.err;
    EXPECT_EQ(ReadFile(result), previous);
    EXPECT_EQ(ListFolder(output.path()), std::vector<std::string>{"o.pdf"});
}

TEST(Unsplittable, ReadOnlyFolderAndOverlongNamesAreSaidAndKept) {
    // "(第9页).pdf" still fits the 255-byte name limit, "(第10页).pdf" does not.
    TempDir folder, output;
    const std::string longName(255 - std::string("(第9页).pdf").size(), 'n');
    std::vector<fixtures::FixturePage> ten(10, fixtures::ShortPage("L"));
    ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / (longName + ".pdf"), ten));
    auto before = Snapshot(folder.path());
    CliRun run = RunCli({"merge", folder.path(), "--output", output / "o.pdf"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(Mentions(run.err, longName + ".pdf：只打印了第1页（共10页），未能拆分：文件名太长"))
        << run.err;
    EXPECT_EQ(Snapshot(folder.path()), before);

    // A folder the user may read but not write, as an ordinary user.
    TempDir readOnly, program;
    ASSERT_TRUE(fixtures::WriteInvoicePdf(
        readOnly / "三页.pdf",
        {fixtures::ShortPage("1"), fixtures::ShortPage("2"), fixtures::ShortPage("3")}));
    for (const std::string& open : {program.path(), output.path()}) {
        chmod(open.c_str(), 0777);
    }
    chmod(readOnly.path().c_str(), 0555);
    before = Snapshot(readOnly.path());
    CliOptions user{MakeProgramDirectory(program.path()), true};
    run = RunCli({"merge", readOnly.path(), "--output", output / "r.pdf"}, user);
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_TRUE(Mentions(run.err, "三页.pdf：只打印了第1页（共3页），未能拆分：无法在此处写入"))
        << run.err;
    EXPECT_EQ(Snapshot(readOnly.path()), before);
    chmod(readOnly.path().c_str(), 0755);
}

TEST(Refusals, OutputOntoAnInvoiceIsRefusedBeforeAnythingIsTouched) {
    InvoiceFolder folder(2, 3);
    TempDir elsewhere;
    ASSERT_EQ(symlink((folder / "单1.pdf").c_str(), (elsewhere / "link.pdf").c_str()), 0);
    const auto before = Snapshot(folder.path());
    for (const std::string& output :
         {folder / "单1.pdf", folder / "new.PDF", elsewhere / "link.pdf"}) {
        const CliRun run = RunCli({"merge", folder.path(), "--output", output});
        EXPECT_EQ(run.exitCode, 2) << output;
        EXPECT_TRUE(Mentions(run.err, output)) << run.err;
        EXPECT_EQ(Snapshot(folder.path()), before) << output;
    }
    // Beside the invoices under another extension is fine.
    EXPECT_EQ(RunCli({"merge", folder.path(), "--output", folder / "merged.bin"}).exitCode, 0);
}

TEST(Refusals, TheCarriedModuleReplacesAnOlderOneAndAFolderStopsTheRun) {
    InvoiceFolder folder(1, 1);
    TempDir upgraded, blocked, output;
    const std::string program = MakeProgramDirectory(upgraded.path());
    ASSERT_EQ(RunCli({"list", folder.path()}, {program}).exitCode, 0);
    std::string module = ReadFile(program + "/PDFAX18.dll");
    const std::string carried = module;
    module[module.size() / 3] ^= 0x20;  // another build's module
    WriteFile(program + "/PDFAX18.dll", module);
    const CliRun run = RunCli({"merge", folder.path(), "--output", output / "o.pdf"}, {program});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(ReadFile(program + "/PDFAX18.dll") == carried);

    const std::string other = MakeProgramDirectory(blocked.path());
    ASSERT_EQ(mkdir((other + "/PDFAX18.dll").c_str(), 0755), 0);
    const CliRun stopped = RunCli({"merge", folder.path(), "--output", output / "x.pdf"}, {other});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_TRUE(Mentions(stopped.err, "无法加载PDF库模块")) << stopped.err;
}

// Damaged and locked files are named with a reason a user understands, and
// no library speaks on the terminal itself.
TEST(Messages, EveryUnreadableFileHasItsReason) {
    TempDir folder, output;
    ASSERT_TRUE(fixtures::WriteEncryptedPdf(folder / "locked.pdf", "secret"));
    ASSERT_TRUE(fixtures::WriteNotAPdf(folder / "foreign.pdf"));
    WriteFile(folder / "empty.pdf", "");
    WriteFile(folder / "cut.pdf", "%PDF-1.4\n1 0 obj <<");
    ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / "good.pdf"));
    if (!CorpusDir().empty())
        CopyFile(CorpusDir() + "/tricky/pdfminer__issue-1113-evil-xobjects.pdf",
                 folder / "evil.pdf");

    const CliRun list = RunCli({"list", folder.path()});
    EXPECT_EQ(list.exitCode, 0);
    const CliRun merge = RunCli({"merge", folder.path(), "--output", output / "o.pdf"});
    EXPECT_EQ(merge.exitCode, 3);
    for (const CliRun* run : {&list, &merge}) {
        EXPECT_TRUE(Mentions(run->err, "locked.pdf：需要密码才能打开")) << run->err;
        EXPECT_TRUE(Mentions(run->err, "foreign.pdf：不是PDF文件")) << run->err;
        EXPECT_TRUE(Mentions(run->err, "empty.pdf：文件是空的")) << run->err;
        EXPECT_TRUE(Mentions(run->err, "cut.pdf：文件已损坏")) << run->err;
        EXPECT_FALSE(Mentions(run->err, "good.pdf")) << run->err;
        for (const char* raw : {"WARNING", "qpdf", "object", "xref"})
            EXPECT_FALSE(Mentions(run->err, raw)) << run->err;
    }
}

}  // namespace
}  // namespace vellumark::testing
