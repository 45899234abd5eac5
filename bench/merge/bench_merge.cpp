// Times a merge of a folder of real invoices against rendering the same
// pages alone and against pdftoppm, in-process and as `vellumark-cli merge`
// runs. Prints figures; asserts nothing.
//
//   bench_merge [invoices=100] [corpus folder] [--no-pdftoppm] [--no-cli] [--rounds 3]
//
// pdftoppm takes about half a second per invoice; for long memory runs it
// can be left out, and the ratios to it are then not printed.
#include "merge_pipeline.h"
#include "pdf_library.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPdfDocument>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using vellumark::LayoutMode;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

long PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// One-page invoices of the corpus, in a stable order.
std::vector<std::string> CorpusInvoices(vellumark::PdfLibrary& pdf, const std::string& corpus) {
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(corpus + "/invoices", ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path().extension() != ".pdf" || !it->is_regular_file())
            continue;
        const std::string path = it->path().string();
        if (pdf.LoadFromFile(path, "") && pdf.PageCount() == 1 && pdf.PageHeight() > 50)
            found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Rendering alone, as the merge does it: 300 dpi, one thread, no encoding.
double RenderOnly(const std::vector<std::string>& files) {
    const auto start = Clock::now();
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    for (const std::string& file : files) {
        QPdfDocument doc;
        doc.load(QString::fromStdString(file));
        const QSizeF points = doc.pagePointSize(0);
        const QSize pixels(static_cast<int>(std::lround(points.width() / 72 * 300)),
                           static_cast<int>(std::lround(points.height() / 72 * 300)));
        const QImage image = doc.render(0, pixels, options);
        if (image.isNull())
            std::fprintf(stderr, "render failed: %s\n", file.c_str());
    }
    return Seconds(start);
}

double Pdftoppm(const std::vector<std::string>& files, const std::string& folder) {
    fs::create_directories(folder);
    const auto start = Clock::now();
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string command = "pdftoppm -r 300 -png -f 1 -l 1 '" + files[i] + "' '" + folder +
                                    "/" + std::to_string(i) + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "pdftoppm failed\n");
    }
    return Seconds(start);
}

uintmax_t ImageBytes(const std::string& folder) {
    uintmax_t total = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const auto ext = entry.path().extension();
        if (ext == ".png" || ext == ".jpg")
            total += entry.file_size();
    }
    return total;
}

void FillRows(vellumark::PdfLibrary& pdf, const std::vector<std::string>& files,
              vellumark::InvoiceListModel& rows) {
    rows.Clear();
    for (const std::string& file : files) {
        pdf.LoadFromFile(file, "");
        rows.AppendRow();
        const int row = rows.rowCount() - 1;
        rows.SetPath(row, file);
        rows.SetCell(row, vellumark::kColumnHeight,
                     QString::number(static_cast<int>(std::floor(pdf.PageHeight() + 1e-12))));
    }
}

struct MergeRun {
    double seconds = 0;
    double longestGap = 0;
    int gapAfter = 0;  // the row reported before that gap, or -1; -2 for the start
    int gapCall = 0;   // which progress call ended it
    vellumark::MergeOutcome outcome;
    double outputBytes = 0;
    double imageBytes = 0;
};

MergeRun RunMerge(vellumark::PdfLibrary& pdf, const std::string& work, LayoutMode mode,
                  const char* name, const std::vector<std::string>& files) {
    vellumark::InvoiceListModel rows;
    FillRows(pdf, files, rows);
    const vellumark::MergeSettings settings{work + "/" + name + "/临时图片",
                                            work + "/" + name + "/电子发票.pdf"};
    MergeRun run;
    auto last = Clock::now();
    int previous = -2;
    int calls = 0;
    const auto start = Clock::now();
    run.outcome = vellumark::MergeInvoices(pdf, settings, mode, rows, [&](int row) {
        ++calls;
        if (Seconds(last) > run.longestGap) {
            run.longestGap = Seconds(last);
            run.gapAfter = previous;
            run.gapCall = calls;
        }
        previous = row;
        last = Clock::now();
    });
    run.seconds = Seconds(start);
    run.outputBytes = static_cast<double>(fs::file_size(settings.outputPdf));
    run.imageBytes = static_cast<double>(ImageBytes(settings.tempImageFolder));
    return run;
}

// Each round times the render-only pass and then the merge right after it,
// so that the ratio compares neighbours on a machine whose speed drifts; the
// median round is the figure to quote.
void Merge(vellumark::PdfLibrary& pdf, const std::string& work, LayoutMode mode, const char* name,
           const std::vector<std::string>& files, int rounds, double pdftoppm) {
    std::vector<double> ratios;
    double longestGap = 0;
    int gapAfter = 0, gapCall = 0;
    MergeRun run;
    std::printf("%-6s", name);
    for (int round = 0; round < rounds; ++round) {
        const double renderOnly = RenderOnly(files);
        run = RunMerge(pdf, work, mode, name, files);
        ratios.push_back(run.seconds / renderOnly);
        if (run.longestGap > longestGap) {
            longestGap = run.longestGap;
            gapAfter = run.gapAfter;
            gapCall = run.gapCall;
        }
        std::printf(" | render-only %.2f s, merge %.2f s, ratio %.2f", renderOnly, run.seconds,
                    ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];
    std::printf("\n       %d invoices, %d sheets, %s; median merge / render-only %.2f\n",
                run.outcome.invoices, run.outcome.sheets,
                run.outcome.status == vellumark::MergeStatus::kSaved ? "saved" : "FAILED", median);
    std::printf("       last merge: / pdftoppm %.2f, per invoice %.0f ms\n", run.seconds / pdftoppm,
                run.seconds / files.size() * 1000);
    std::printf("       output %.1f MB, images %.1f MB, ratio %.3f\n", run.outputBytes / 1e6,
                run.imageBytes / 1e6, run.outputBytes / run.imageBytes);
    std::printf(
        "       longest time between progress calls %.0f ms (call %d, after row %d), peak RSS %ld "
        "MB\n",
        longestGap * 1000, gapCall, gapAfter, PeakRssMb());
}

// The whole job as a user scripts it: one `vellumark-cli merge` process over
// the folder, timed on the wall clock; its peak memory comes from the child.
void CliMerge(const std::string& work, const char* layout, const std::vector<std::string>& files,
              double pdftoppm) {
    const double renderOnly = RenderOnly(files);
    const std::string output = work + "/cli-" + layout + ".pdf";
    const std::string folder = work + "/invoices";
    std::vector<std::string> args = {VELLUMARK_CLI, "merge",    folder, "--layout",
                                     layout,        "--output", output, "--no-split"};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t child = 0;
    int status = -1;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        waitpid(child, &status, 0);
    const double merge = Seconds(start);
    posix_spawn_file_actions_destroy(&actions);
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf(
        "cli %-11s %.2f s (exit %d)   / render-only %.2f   / pdftoppm %.2f   "
        "%.0f ms per invoice, peak RSS of a run so far %ld MB\n",
        layout, merge, WIFEXITED(status) ? WEXITSTATUS(status) : -1, merge / renderOnly,
        merge / pdftoppm, merge / files.size() * 1000, usage.ru_maxrss / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::vector<std::string> positional;
    bool runPdftoppm = true;
    bool runCli = true;
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-pdftoppm")
            runPdftoppm = false;
        else if (std::string(argv[i]) == "--no-cli")
            runCli = false;
        else if (std::string(argv[i]) == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            positional.push_back(argv[i]);
    }
    const int count = positional.size() > 0 ? std::atoi(positional[0].c_str()) : 100;
    const std::string corpus = positional.size() > 1 ? positional[1] : VELLUMARK_CORPUS_DIR;

    const std::string work =
        fs::temp_directory_path() / ("bench_merge_" + std::to_string(getpid()));
    fs::create_directories(work + "/program");
    vellumark::PdfLibrary pdf;
    pdf.Initialise(work + "/program");
    if (!pdf.HasObject()) {
        std::fprintf(stderr, "no PDF library\n");
        return 1;
    }
    const std::vector<std::string> corpusFiles = CorpusInvoices(pdf, corpus);
    if (corpusFiles.empty()) {
        std::fprintf(stderr, "no corpus invoices under %s\n", corpus.c_str());
        return 1;
    }
    // The invoices, repeated up to the count, under plain names.
    fs::create_directories(work + "/invoices");
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/invoices/%04d.pdf", i);
        files.push_back(work + name);
        fs::copy_file(corpusFiles[i % corpusFiles.size()], files.back());
    }
    std::printf("%d invoices from %zu corpus files\n", count, corpusFiles.size());

    const double renderOnly = RenderOnly(files);
    std::printf("render-only (300 dpi, one thread, no encoding) %.2f s, %.0f ms per invoice\n",
                renderOnly, renderOnly / count * 1000);
    // Without a pdftoppm run its ratios print as "nan".
    const double pdftoppm = runPdftoppm ? Pdftoppm(files, work + "/pdftoppm") : std::nan("");
    if (runPdftoppm) {
        std::printf("pdftoppm -r 300 -png %.2f s, %.0f ms per invoice\n", pdftoppm,
                    pdftoppm / count * 1000);
    }
    std::printf("peak RSS after render-only %ld MB\n", PeakRssMb());
    Merge(pdf, work, LayoutMode::A4Two, "A4Two", files, rounds, pdftoppm);
    Merge(pdf, work, LayoutMode::A4Four, "A4Four", files, rounds, pdftoppm);
    if (runCli) {
        CliMerge(work, "a4-two", files, pdftoppm);
        CliMerge(work, "a4-four", files, pdftoppm);
    }

    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
