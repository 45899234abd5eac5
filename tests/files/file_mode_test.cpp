// Every file the program writes gets the mode a user expects of a saved
// document (0644 less the umask; the module 0755 less it), never the 0600
// of a temporary file: other users and other programs must be able to read
// an exported list or a merged PDF.
#include "files/atomic_file.h"
#include "fixtures/invoice_fixtures.h"
#include "intake/folder_ops.h"
#include "pdflib/pdf_library.h"
#include "test_support.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

namespace vellumark {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(FileModes, EveryWrittenFileIsReadableAsTheUmaskAllows) {
    testing::TempDir dir;
    const std::string invoice = dir / "发票.pdf";
    ASSERT_TRUE(fixtures::WriteInvoicePdf(invoice, {fixtures::ShortPage(), fixtures::ShortPage()}));
    PdfLibrary& pdf = testing::Library();
    struct Case {
        const char* what;
        std::function<std::string(const std::string& name)> write;
        mode_t mode;
    };
    const std::vector<Case> cases = {
        {"exported list",
         [&](const std::string& name) {
             return WriteFileWhole(dir / name, "a,b\n") ? "" : dir / name;
         },
         0644},
        {"program file",
         [&](const std::string& name) {
             files::ReplaceFileWith(dir / name, "bytes", files::kProgramMode);
             return dir / name;
         },
         0755},
        {"merged PDF",
         [&](const std::string& name) {
             return pdf.NewDocument() && pdf.SaveToFile(dir / name) ? dir / name : "";
         },
         0644},
        {"split page",
         [&](const std::string& name) {
             return pdf.ExtractFilePages(invoice, "", dir / name, "2") ? dir / name : "";
         },
         0644},
        {"rendered image",
         [&](const std::string& name) {
             pdfax::RenderJob job;
             job.input = invoice;
             job.output = dir / (name + ".png");
             job.dpi = 30;
             pdf.RenderPagesToFiles({job}, 1,
                                    [](int, const pdfax::RenderedImage&) { return true; });
             return dir / (name + ".png");
         },
         0644},
    };
    for (const mode_t mask : {mode_t(022), mode_t(027)}) {
        const mode_t before = umask(mask);
        for (const Case& c : cases) {
            const std::string path = c.write(c.what + std::to_string(mask));
            EXPECT_EQ(ModeOf(path), c.mode & ~mask)
                << c.what << " with umask 0" << std::oct << mask;
        }
        umask(before);
    }
}

}  // namespace
}  // namespace vellumark
