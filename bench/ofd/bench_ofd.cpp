// Times turning OFD pages into PDFs and rendering them at 300 dpi, against
// rendering a PDF invoice page of the same size. Run by hand:
//   bench_ofd [--dump DIR] PDF-PAGE-FILE OFD-FILE...
// --dump writes each page's PDF and its rendering into DIR to look at.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPdfDocument>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "ofd/ofd.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Renders page 0 of `pdf` at 300 dpi the way the renderer process does.
QImage Render(const std::string& pdf) {
    QByteArray bytes(pdf.data(), static_cast<qsizetype>(pdf.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    if (document.status() != QPdfDocument::Status::Ready)
        return {};
    const QSizeF points = document.pagePointSize(0);
    return document.render(0, (points * 300 / 72).toSize());
}

double TimeRender(const std::string& pdf, int runs, QImage* last) {
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        *last = Render(pdf);
    return Ms(start) / runs;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::string dump;
    int arg = 1;
    if (argc > 2 && std::string(argv[1]) == "--dump")
        dump = argv[2], arg = 3;
    if (arg >= argc) {
        std::fprintf(stderr, "usage: bench_ofd [--dump DIR] PDF OFD...\n");
        return 2;
    }
    constexpr int kRuns = 5;
    std::ifstream in(argv[arg], std::ios::binary);
    const std::string pdfPage((std::istreambuf_iterator<char>(in)), {});
    QImage image;
    const double pdfMs = TimeRender(pdfPage, kRuns, &image);
    std::printf("PDF page %s: render %.1f ms\n", argv[arg], pdfMs);
    for (++arg; arg < argc; ++arg) {
        auto start = Clock::now();
        auto opened = ofd::OpenOfd(argv[arg]);
        const double openMs = Ms(start);
        if (auto* error = std::get_if<ofd::Error>(&opened)) {
            std::printf("%s: %s (%s)\n", argv[arg], error->words.c_str(), error->detail.c_str());
            continue;
        }
        const auto& document = std::get<ofd::OfdDocument>(opened);
        for (int page = 0; page < document.PageCount(); ++page) {
            start = Clock::now();
            for (int i = 0; i < kRuns; ++i)
                document.PageAsPdf(page);
            const double convertMs = Ms(start) / kRuns;
            auto converted = document.PageAsPdf(page);
            const auto& pdf = std::get<ofd::PagePdf>(converted);
            const double renderMs = TimeRender(pdf.pdf, kRuns, &image);
            std::printf(
                "%s p%d: open %.1f ms, convert %.1f ms, render %.1f ms, ratio %.2f, "
                "%zu bytes, %zu omitted\n",
                argv[arg], page + 1, openMs, convertMs, renderMs, (convertMs + renderMs) / pdfMs,
                pdf.pdf.size(), pdf.omitted.size());
            for (const auto& omitted : pdf.omitted)
                std::printf("  omitted: %s (%s)\n", omitted.words.c_str(), omitted.detail.c_str());
            if (!dump.empty()) {
                const std::string base =
                    dump + "/" + std::to_string(arg) + "_p" + std::to_string(page + 1);
                std::ofstream(base + ".pdf", std::ios::binary) << pdf.pdf;
                image.save(QString::fromStdString(base + ".png"));
            }
        }
    }
    return 0;
}
