// bench_facts [invoices=100] [rounds=5]: what reading the facts costs. The
// same folder of corpus invoices is merged without facts, with the facts
// read by its renders, and with them related (duplicates, byte-identical
// files) as the command does, in alternating rounds; then listed with its
// facts (each page rendered at low resolution for them). Prints the median
// seconds and the merge's ratios (the target is at most 1.10); asserts
// nothing.
#include "facts/listing.h"
#include "facts/page_facts.h"
#include "intake/invoice_intake.h"
#include "layout/merge_pipeline.h"
#include "test_support.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace vellumark;

namespace {

std::vector<std::string> OnePageCorpusInvoices() {
    return vellumark::testing::CorpusPdfs("invoices");
}

// Processor seconds of this process and the renderers it has waited for.
double ProcessorSeconds() {
    double seconds = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        for (const timeval& t : {usage.ru_utime, usage.ru_stime})
            seconds += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    }
    return seconds;
}

double Seconds(const std::function<void()>& work, double* processor = nullptr) {
    const auto start = std::chrono::steady_clock::now();
    const double startProcessor = ProcessorSeconds();
    work();
    if (processor)
        *processor = ProcessorSeconds() - startProcessor;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::vector<std::string> corpus = OnePageCorpusInvoices();
    if (corpus.empty()) {
        std::fprintf(stderr, "bench_facts: no corpus\n");
        return 1;
    }
    vellumark::testing::TempDir folder, images;
    for (int i = 0; i < count; ++i)
        vellumark::testing::CopyFile(corpus[i % corpus.size()],
                                     folder / (std::to_string(i) + ".pdf"));
    PdfLibrary& pdf = vellumark::testing::Library();
    InvoiceRows rows;
    ListFolder(pdf, folder.path(), rows);

    // Without facts; with the renders reading them; and with the pile
    // related as the command does before laying out.
    std::vector<std::vector<double>> times(3), processor(3);
    for (int round = 0; round < rounds; ++round) {
        for (int variant = 0; variant < 3; ++variant) {
            MergeSettings settings{images.path(), images / "merged.pdf"};
            std::vector<InvoiceFacts> facts(static_cast<std::size_t>(rows.rowCount()));
            if (variant > 0)
                settings.choice.read = [&facts, variant](int row, const pdfax::RenderedImage& r) {
                    if (variant == 2)
                        facts[static_cast<std::size_t>(row)] = FactsOfRender(r);
                };
            if (variant == 2)
                settings.choice.place = [&rows, &facts] {
                    BuildListing(rows, facts);
                    return std::vector<RowPlace>(facts.size(), RowPlace::kOnSheets);
                };
            double used = 0;
            times[variant].push_back(
                Seconds([&] { MergeInvoices(pdf, settings, LayoutMode::A4Two, rows); }, &used));
            processor[variant].push_back(used);
        }
    }
    const std::vector<double> without = times[0], with = times[2];
    // The relating alone, on facts read once.
    std::vector<pdfax::RenderedImage> renders;
    {
        MergeSettings settings{images.path(), images / "merged.pdf"};
        renders.resize(static_cast<std::size_t>(rows.rowCount()));
        settings.choice.read = [&renders](int row, const pdfax::RenderedImage& render) {
            renders[static_cast<std::size_t>(row)] = render;
        };
        MergeInvoices(pdf, settings, LayoutMode::A4Two, rows);
    }
    std::vector<InvoiceFacts> once;
    std::vector<double> matching, relating;
    for (int round = 0; round < rounds; ++round) {
        matching.push_back(Seconds([&] {
            once.clear();
            for (const auto& render : renders)
                once.push_back(FactsOfRender(render));
        }));
        relating.push_back(Seconds([&] { BuildListing(rows, once); }));
    }
    std::vector<double> listing;
    for (int round = 0; round < rounds; ++round) {
        listing.push_back(Seconds([&] {
            std::vector<std::string> paths;
            for (int row = 0; row < rows.rowCount(); ++row)
                paths.push_back(rows.Path(row));
            BuildListing(rows, ReadFacts(pdf, paths));
        }));
    }
    std::printf("%d invoices, median of %d rounds\n", count, rounds);
    std::printf("merge without facts  %7.3f s\n", Median(without));
    std::printf("merge reading facts  %7.3f s   ratio %.3f\n", Median(times[1]),
                Median(times[1]) / Median(without));
    std::printf("and relating them    %7.3f s   ratio %.3f (target <= 1.10)\n", Median(with),
                Median(with) / Median(without));
    std::printf("processor time       %7.3f s   %7.3f s   %7.3f s   ratios %.3f %.3f\n",
                Median(processor[0]), Median(processor[1]), Median(processor[2]),
                Median(processor[1]) / Median(processor[0]),
                Median(processor[2]) / Median(processor[0]));
    std::printf("matching labels      %7.3f s   relating %.3f s\n", Median(matching),
                Median(relating));
    std::printf("list with facts      %7.3f s   (%.1f ms per invoice)\n", Median(listing),
                1000 * Median(listing) / count);
    return 0;
}
