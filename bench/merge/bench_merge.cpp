// Times a merge of a folder of real invoices against rendering the same
// pages alone and against pdftoppm, in-process and as `vellumark-cli merge`
// runs. Prints figures; asserts nothing.
//
//   bench_merge [invoices=100] [corpus folder] [--no-pdftoppm]
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

void Merge(vellumark::PdfLibrary& pdf, const std::string& work, LayoutMode mode, const char* name,
           const std::vector<std::string>& files, double renderOnly, double pdftoppm) {
    vellumark::InvoiceListModel rows;
    FillRows(pdf, files, rows);
    const vellumark::MergeSettings settings{work + "/" + name + "/临时图片",
                                            work + "/" + name + "/电子发票.pdf"};
    double longestGap = 0;
    auto last = Clock::now();
    const auto start = Clock::now();
    const vellumark::MergeOutcome outcome =
        vellumark::MergeInvoices(pdf, settings, mode, rows, [&](int) {
            longestGap = std::max(longestGap, Seconds(last));
            last = Clock::now();
        });
    const double merge = Seconds(start);
    const double output = static_cast<double>(fs::file_size(settings.outputPdf));
    const double images = static_cast<double>(ImageBytes(settings.tempImageFolder));
    std::printf("%-6s merge %.2f s (%d invoices, %d sheets, %s)\n", name, merge, outcome.invoices,
                outcome.sheets,
                outcome.status == vellumark::MergeStatus::kSaved ? "saved" : "FAILED");
    std::printf("       merge / render-only %.2f   merge / pdftoppm %.2f   per invoice %.0f ms\n",
                merge / renderOnly, merge / pdftoppm, merge / files.size() * 1000);
    std::printf("       output %.1f MB, images %.1f MB, ratio %.3f\n", output / 1e6, images / 1e6,
                output / images);
    std::printf("       longest time between progress calls %.0f ms, peak RSS %ld MB\n",
                longestGap * 1000, PeakRssMb());
}

// The whole job as a user scripts it: one `vellumark-cli merge` process over
// the folder, timed on the wall clock; its peak memory comes from the child.
void CliMerge(const std::string& work, const char* layout, const std::vector<std::string>& files,
              double renderOnly, double pdftoppm) {
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
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-pdftoppm")
            runPdftoppm = false;
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
    Merge(pdf, work, LayoutMode::A4Two, "A4Two", files, renderOnly, pdftoppm);
    Merge(pdf, work, LayoutMode::A4Four, "A4Four", files, renderOnly, pdftoppm);
    CliMerge(work, "a4-two", files, renderOnly, pdftoppm);
    CliMerge(work, "a4-four", files, renderOnly, pdftoppm);

    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
