// Renderer processes that crash, hang or talk nonsense, through the library's
// pool and through vellumark-cli merge on sample invoices. Every run ends in
// bounded time and leaves no renderer behind; a page a renderer loses is
// tried once more in a fresh one, and a page it cannot finish is the
// renderer's failure, never the invoice's.
#include "cli_process.h"
#include "render/render_pool.h"
#include "test_support.h"

#include "pdflib/problem_text.h"

#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace vellumark::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kDamaged = "文件已损坏";

// Three invoices from the corpus, none a copy of another.
const char* const kInvoices[] = {
    "invoices/dingjunqing-invoice/IT202405171044240934.pdf",
    "invoices/mxvc-invoice/发票1.pdf",
    "invoices/zqywuxie-invoice_management/郑钦云-邮费1.pdf",
};
constexpr int kInvoiceCount = 3;

bool Mentions(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

// The processes now running `program` (zombies have no command line).
int ProcessesOf(const std::string& program) {
    int count = 0;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline");
        std::string first;
        if (in && std::getline(in, first, '\0') && first == program)
            ++count;
    }
    if (proc)
        closedir(proc);
    return count;
}

// True once no process runs `program`; the kernel may take a moment to end
// the processes a parent's death has doomed.
bool NoneLeftSoon(const std::string& program) {
    for (int i = 0; i < 300 && ProcessesOf(program) > 0; ++i)
        std::this_thread::sleep_for(100ms);
    return ProcessesOf(program) == 0;
}

// A program directory with the command and the fake renderer beside it,
// under the name the command gives its renderer.
struct FakeProgram {
    TempDir dir;
    std::string renderer = dir / "VPL1811PDFium32.dll";
    FakeProgram() {
        MakeProgramDirectory(dir.path());
        CopyFile(FAKE_RENDERER, renderer);
        chmod(renderer.c_str(), 0755);
    }
};

struct FailureCase {
    const char* mode;     // how the fake renderer goes wrong
    const char* reason;   // what each page is called; empty when every page is placed
    const char* said;     // expected in each failure's detail: how it ended, what it said
    int exitCode;         // of vellumark-cli merge; -1: not run
    bool cancel = false;  // the run is cancelled once a renderer holds a page
};

const FailureCase kCases[] = {
    // A renderer that never greets is no renderer: the pages are rendered here.
    {"crash-at-start", "", "", 0},
    {"crash-after-greeting", "渲染程序崩溃", "fake renderer: crashing on a page", 1},
    {"crash-once", "", "", 0},
    {"hang", "渲染超时", "signal 9", 1},
    {"garbage", "渲染程序崩溃", "signal 9", 1},
    // Renderers at work are killed, and their pages are not reported.
    {"hang", "", "", -1, true},
};

class RendererFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        VELLUMARK_REQUIRE_CORPUS();
        for (const char* invoice : kInvoices) {
            const std::string from = CorpusDir() + "/" + invoice;
            CopyFile(from, folder_ / from.substr(from.find_last_of('/') + 1));
        }
    }

    std::vector<pdfax::RenderJob> Jobs(const std::string& images) const {
        std::vector<pdfax::RenderJob> jobs;
        for (const auto& name : ListFolder(folder_.path())) {
            pdfax::RenderJob job;
            job.input = folder_ / name;
            job.output = images + "/" + name + ".png";
            jobs.push_back(job);
        }
        return jobs;
    }

    TempDir folder_;
};

void ExpectPoolRun(const FailureCase& c, const FakeProgram& program, const std::string& state,
                   const std::vector<pdfax::RenderJob>& jobs) {
    pdfax::RenderPool pool;
    pool.SetRendererFile(program.renderer);
    // Short enough to keep the test short; the command keeps its own limit.
    if (std::string(c.mode) == "hang" && !c.cancel)
        pool.SetPageTimeLimit(2s);
    std::vector<int> reports(jobs.size());
    const auto started = Clock::now();
    const int written = pool.Run(
        jobs, 2,
        [&](int index, const pdfax::RenderedImage& image) {
            ++reports.at(static_cast<std::size_t>(index));
            const std::string reason = ProblemText(image.error);
            EXPECT_EQ(reason, c.reason) << image.error.detail;
            EXPECT_TRUE(Mentions(image.error.detail, c.said)) << image.error.detail;
            EXPECT_EQ(Exists(jobs[index].output), reason.empty());
            return true;
        },
        [&] { return c.cancel && Exists(state); });
    EXPECT_LT(Clock::now() - started, 90s);
    EXPECT_EQ(reports, std::vector<int>(jobs.size(), c.cancel ? 0 : 1));
    EXPECT_EQ(written, c.cancel || *c.reason ? 0 : kInvoiceCount);
}

TEST_F(RendererFailureTest, EachRunEndsBlamesTheRendererAndLeavesNoRenderer) {
    for (const FailureCase& c : kCases) {
        SCOPED_TRACE(std::string(c.mode) + (c.cancel ? ", cancelled" : ""));
        FakeProgram program;
        TempDir folder, images;
        const std::string state = folder / "state";
        setenv("VELLUMARK_FAKE_RENDERER", c.mode, 1);
        setenv("VELLUMARK_FAKE_RENDERER_STATE", state.c_str(), 1);
        ExpectPoolRun(c, program, state, Jobs(images.path()));
        EXPECT_EQ(ProcessesOf(program.renderer), 0);
        if (c.exitCode < 0)
            continue;

        unlink(state.c_str());
        const auto started = Clock::now();
        const CliRun run = RunCli({"merge", folder_.path(), "--output", images / "merged.pdf"},
                                  {program.dir.path()});
        EXPECT_LT(Clock::now() - started, 90s);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_FALSE(Mentions(run.err, kDamaged)) << run.err;
        for (const auto& name : ListFolder(folder_.path())) {
            if (*c.reason) {
                EXPECT_TRUE(Mentions(run.err, name + "：" + c.reason)) << run.err;
            }
        }
        if (!*c.reason) {
            EXPECT_TRUE(Mentions(run.out, " 3 张电子发票")) << run.out << run.err;
        }
        if (std::string(c.mode) == "crash-once") {
            EXPECT_TRUE(Exists(state));  // it did crash, and the page was tried again
        }
        EXPECT_EQ(ProcessesOf(program.renderer), 0);
    }
    unsetenv("VELLUMARK_FAKE_RENDERER");
    unsetenv("VELLUMARK_FAKE_RENDERER_STATE");
}

// A command killed outright takes its renderers with it.
TEST_F(RendererFailureTest, AKilledCommandLeavesNoRenderer) {
    FakeProgram program;
    TempDir images;
    RunningCli run({"merge", folder_.path(), "--output", images / "merged.pdf"},
                   {program.dir.path(), false, 0, {"VELLUMARK_FAKE_RENDERER=hang"}});
    for (int i = 0; i < 600 && ProcessesOf(program.renderer) == 0 && !run.Exited(); ++i)
        std::this_thread::sleep_for(100ms);
    ASSERT_GT(ProcessesOf(program.renderer), 0) << run.ErrSoFar();
    run.Kill();
    run.Wait();
    EXPECT_TRUE(NoneLeftSoon(program.renderer));
}

}  // namespace
}  // namespace vellumark::testing
