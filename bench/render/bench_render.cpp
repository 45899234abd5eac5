// bench_render [corpus folder]: milliseconds per page for flattening,
// rasterising and encoding, the whole render through the library, and
// pdftoppm -r 300 -png over the same invoices. Prints figures, asserts nothing.
#include "image_encode.h"
#include "open_pdf.h"
#include "pdf_library.h"
#include "render_page.h"

#include <QBuffer>
#include <QImage>

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<std::string> InvoicePdfs(const std::string& corpus) {
    std::vector<std::string> files;
    const std::string root = corpus + "/invoices";
    DIR* top = opendir(root.c_str());
    if (!top)
        return files;
    while (dirent* group = readdir(top)) {
        if (group->d_name[0] == '.')
            continue;
        const std::string folder = root + "/" + group->d_name;
        DIR* inner = opendir(folder.c_str());
        if (!inner)
            continue;
        while (dirent* entry = readdir(inner)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pdf") == 0) {
                files.push_back(folder + "/" + name);
            }
        }
        closedir(inner);
    }
    closedir(top);
    std::sort(files.begin(), files.end());
    return files;
}

struct Stage {
    const char* name;
    double ms = 0;
    double bytes = 0;
    int count = 0;

    void Add(double elapsed, double size = 0) {
        ms += elapsed;
        bytes += size;
        ++count;
    }
    void Print(double referenceMs = 0) const {
        if (count == 0) {
            std::printf("  %-34s  no pages\n", name);
            return;
        }
        std::printf("  %-34s %8.1f ms/page", name, ms / count);
        if (bytes > 0)
            std::printf("  %8.0f KB/page", bytes / count / 1024);
        if (referenceMs > 0)
            std::printf("  x%.2f", (ms / count) / referenceMs);
        std::printf("\n");
    }
};

std::string QtDefaultPng(const pdfax::RgbImage& image) {
    const QImage view(image.pixels.data(), image.width, image.height, image.width * 3,
                      QImage::Format_RGB888);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    view.save(&buffer, "PNG");
    return bytes.toStdString();
}

struct PngVariant {
    const char* name;
    pdfax::PngOptions options;
};

const PngVariant kPngVariants[] = {
    {"libpng level 6, adaptive filter", {6, -1, 0}},
    {"libpng level 1, adaptive filter", {1, -1, 0}},
    {"libpng level 1, no filter (used)", {1, 0, 0}},
    {"libpng level 2, no filter", {2, 0, 0}},
    {"libpng Z_RLE, no filter", {1, 0, 3}},
    {"libpng level 1, sub filter", {1, 1, 0}},
    {"libpng level 1, up filter", {1, 2, 0}},
    {"libpng level 2, up filter", {2, 2, 0}},
    {"libpng level 3, up filter", {3, 2, 0}},
    {"libpng Z_RLE, up filter", {1, 2, 3}},
    {"libpng Z_RLE, sub filter", {1, 1, 3}},
};

std::string MakeTempDir() {
    char pattern[] = "/tmp/bench_render-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string corpus = argc > 1 ? argv[1] : VELLUMARK_DEFAULT_CORPUS;
    const auto files = InvoicePdfs(corpus);
    if (files.empty()) {
        std::fprintf(stderr, "no invoices under %s/invoices\n", corpus.c_str());
        return 1;
    }
    const std::string work = MakeTempDir();
    std::printf("%zu invoice files from %s, 300 dpi\n\n", files.size(), corpus.c_str());

    Stage open{"open (qpdf)"}, flatten{"flatten annotations"}, raster{"rasterise (Qt PDF)"};
    Stage png{"encode PNG (libpng level 1, none)"}, jpeg{"encode JPEG (q92)"};
    Stage qtPng{"encode PNG (Qt default)"};
    std::vector<Stage> variants;
    for (const auto& v : kPngVariants)
        variants.push_back(Stage{v.name});
    for (const auto& file : files) {
        auto start = Clock::now();
        std::shared_ptr<QPDF> opened;
        try {
            opened = pdfax::OpenPdf(file, "");
        } catch (const std::exception&) {
            continue;
        }
        auto page = QPDFPageDocumentHelper(*opened).getAllPages().at(0).getObjectHandle();
        open.Add(MsSince(start));
        start = Clock::now();
        const std::string flat = pdfax::FlattenPageForRender(*opened, page);
        flatten.Add(MsSince(start));
        start = Clock::now();
        const auto image = pdfax::RasterisePage(flat, pdfax::RenderSize(page, 300));
        raster.Add(MsSince(start));
        if (image.pixels.empty())
            continue;
        start = Clock::now();
        std::string bytes = pdfax::EncodePng(image);
        png.Add(MsSince(start), double(bytes.size()));
        start = Clock::now();
        bytes = pdfax::EncodeJpeg(image);
        jpeg.Add(MsSince(start), double(bytes.size()));
        start = Clock::now();
        bytes = QtDefaultPng(image);
        qtPng.Add(MsSince(start), double(bytes.size()));
        for (std::size_t i = 0; i < variants.size(); ++i) {
            start = Clock::now();
            bytes = pdfax::EncodePng(image, kPngVariants[i].options);
            variants[i].Add(MsSince(start), double(bytes.size()));
        }
    }
    std::printf("Stages, directly:\n");
    for (const Stage* s : {&open, &flatten, &raster, &png, &jpeg, &qtPng})
        s->Print();
    std::printf("\nPNG encoders (ratio to Qt's default PNG time):\n");
    qtPng.Print(qtPng.ms / std::max(1, qtPng.count));
    for (const auto& v : variants)
        v.Print(qtPng.ms / std::max(1, qtPng.count));

    // The whole render as the merge calls it.
    vellumark::PdfLibrary library;
    library.Initialise(work);
    Stage modulePng{"library DARenderPageToFile PNG"},
        moduleJpeg{"library DARenderPageToFile JPEG"};
    int failures = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (int format : {5, 1}) {
            const std::string out =
                work + "/" + std::to_string(i) + (format == 5 ? ".png" : ".jpg");
            const auto start = Clock::now();
            const int handle = library.DAOpenFileReadOnly(files[i], "");
            const int ref = library.DAFindPage(handle, 1);
            const int ok = library.DARenderPageToFile(handle, ref, format, 300.0, out);
            library.DACloseFile(handle);
            // The image is written behind the call; any other call waits for
            // it, so one page's whole render ends here.
            library.SetGlobalOrigin(0);
            const double elapsed = MsSince(start);
            struct stat st {};
            if (!ok || stat(out.c_str(), &st) != 0) {
                ++failures;
                continue;
            }
            (format == 5 ? modulePng : moduleJpeg).Add(elapsed, double(st.st_size));
        }
    }

    Stage poppler{"pdftoppm -r 300 -png"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string command = "pdftoppm -r 300 -png -singlefile -f 1 -l 1 '" + files[i] +
                                    "' '" + work + "/poppler" + std::to_string(i) + "' 2>/dev/null";
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0)
            continue;
        const double elapsed = MsSince(start);
        struct stat st {};
        stat((work + "/poppler" + std::to_string(i) + ".png").c_str(), &st);
        poppler.Add(elapsed, double(st.st_size));
    }
    std::printf("\nWhole render (ratio to pdftoppm):\n");
    const double popplerMs = poppler.ms / std::max(1, poppler.count);
    poppler.Print(popplerMs);
    modulePng.Print(popplerMs);
    moduleJpeg.Print(popplerMs);
    if (failures)
        std::printf("  (%d renders through the library failed)\n", failures);

    std::system(("rm -rf '" + work + "'").c_str());
    return 0;
}
