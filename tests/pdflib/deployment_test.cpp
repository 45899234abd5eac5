// Deployment and activation of the carried PDF library module.
#include "deployment.h"
#include "pdf_library.h"
#include "test_support.h"

#include <sys/stat.h>

#include <pdfax/library.h>

namespace vellumark {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct timespec ModificationTime(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mtim;
}

TEST(Deployment, FirstStartWritesTheCarriedBytesAndASecondLeavesThem) {
    TempDir dir;
    const std::string file = dir / "PDFAX18.dll";
    {
        PdfLibrary lib;
        lib.Initialise(dir.path());
        EXPECT_TRUE(lib.HasObject());
        ASSERT_TRUE(Exists(file));
        EXPECT_EQ(ReadFile(file), std::string(EmbeddedModule()));
        EXPECT_GT(EmbeddedModule().size(), 1000u);
    }
    const auto before = ModificationTime(file);
    PdfLibrary second;
    second.Initialise(dir.path());
    EXPECT_TRUE(second.HasObject());
    const auto after = ModificationTime(file);
    EXPECT_EQ(before.tv_sec, after.tv_sec);
    EXPECT_EQ(before.tv_nsec, after.tv_nsec);
}

TEST(Deployment, ForeignFileOrFolderIsKeptAndLeavesTheLibraryEmpty) {
    TempDir dir;
    const std::string file = dir / "PDFAX18.dll";
    WriteFile(file, "not a module");
    PdfLibrary lib;
    lib.Initialise(dir.path());
    EXPECT_FALSE(lib.HasObject());
    EXPECT_EQ(ReadFile(file), "not a module");
    // Every call on an empty facade gives 0 or empty text.
    EXPECT_EQ(lib.LoadFromFile(file, ""), 0);
    EXPECT_EQ(lib.PageCount(), 0);
    EXPECT_EQ(lib.PageHeight(), 0.0);
    EXPECT_EQ(lib.NewCustomPrinter("x"), "");

    TempDir other;
    ASSERT_EQ(mkdir((other / "PDFAX18.dll").c_str(), 0755), 0);
    PdfLibrary withFolder;
    withFolder.Initialise(other.path());
    EXPECT_FALSE(withFolder.HasObject());
    struct stat st {};
    ASSERT_EQ(stat((other / "PDFAX18.dll").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST(Deployment, ActivationChecksClassAndInterface) {
    TempDir dir;
    PdfLibrary lib;
    lib.Initialise(dir.path());  // deploys the module
    const std::string file = dir / "PDFAX18.dll";
    pdfax::Library* object = nullptr;
    EXPECT_EQ(ActivateFromFile(file, "{00000000-0000-0000-0000-000000000000}", nullptr, &object),
              nullptr);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(ActivateFromFile(file, pdfax::kClassId, "pdfax.Library/0", &object), nullptr);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(ActivateFromFile(dir / "missing.dll", pdfax::kClassId, nullptr, &object), nullptr);
    void* module = ActivateFromFile(file, pdfax::kClassId, nullptr, &object);
    ASSERT_NE(module, nullptr);
    ASSERT_NE(object, nullptr);
    object->Release();
}

TEST(Deployment, CopiesShareOneObject) {
    TempDir dir;
    PdfLibrary lib;
    lib.Initialise(dir.path());
    PdfLibrary copy = lib;
    EXPECT_TRUE(copy.HasObject());
    EXPECT_EQ(copy.SelectFont(copy.AddUnicodeFont("SimSun", 1, 0)), 1);
}

}  // namespace
}  // namespace vellumark
