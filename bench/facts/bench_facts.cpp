// bench_facts [invoices=100] [rounds=5]: what reading the facts costs. The
// same folder of corpus invoices is merged with and without the facts read
// from the renders, in alternating rounds, and listed with its facts (each
// page rendered at low resolution for its code). Prints the median seconds
// and the merge's ratio (the target is at most 1.10); asserts nothing.
#include "facts/listing.h"
#include "facts/page_facts.h"
#include "intake/invoice_intake.h"
#include "layout/merge_pipeline.h"
#include "test_support.h"

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
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it =
             fs::recursive_directory_iterator(vellumark::testing::CorpusDir() + "/invoices", ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path().extension() == ".pdf")
            found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
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

    std::vector<double> without, with;
    for (int round = 0; round < rounds; ++round) {
        for (const bool readFacts : {false, true}) {
            MergeSettings settings{images.path(), images / "merged.pdf"};
            settings.readFacts = readFacts;
            if (readFacts)
                settings.placeRows = [&rows](const std::vector<pdfax::RenderedImage>& renders) {
                    std::vector<InvoiceFacts> facts;
                    for (const auto& render : renders)
                        facts.push_back(FactsOfRender(render));
                    BuildListing(rows, facts);
                    return std::vector<bool>(renders.size(), true);
                };
            (readFacts ? with : without).push_back(Seconds([&] {
                MergeInvoices(pdf, settings, LayoutMode::A4Two, rows);
            }));
        }
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
    std::printf("merge with facts     %7.3f s   ratio %.3f (target <= 1.10)\n", Median(with),
                Median(with) / Median(without));
    std::printf("list with facts      %7.3f s   (%.1f ms per invoice)\n", Median(listing),
                1000 * Median(listing) / count);
    return 0;
}
