// Deployment and activation of the carried PDF library module.
#include "deployment.h"
#include "pdflib/pdf_library.h"
#include "test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <pdfax/library.h>

namespace vellumark {
namespace {

using testing::Exists;
using testing::ListFolder;
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

// Another build's module (here: the carried bytes with one byte changed, as
// an upgrade leaves them) or any other file under the module's name is
// replaced whole by the carried one before anything is loaded.
TEST(Deployment, AnotherModuleOrForeignFileIsReplacedBeforeLoading) {
    std::string older(EmbeddedModule());
    older[older.size() / 2] ^= 0x5A;
    for (const std::string& content : {older, std::string("not a module")}) {
        TempDir dir;
        const std::string file = dir / "PDFAX18.dll";
        WriteFile(file, content);
        PdfLibrary lib;
        lib.Initialise(dir.path());
        EXPECT_TRUE(lib.HasObject());
        EXPECT_TRUE(ReadFile(file) == EmbeddedModule());
        // Written beside it and renamed into place: nothing else is left.
        EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"PDFAX18.dll"});
    }
}

TEST(Deployment, FolderOrUnwritableDirectoryLeavesTheLibraryEmpty) {
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "PDFAX18.dll").c_str(), 0755), 0);
    PdfLibrary withFolder;
    withFolder.Initialise(dir.path());
    EXPECT_FALSE(withFolder.HasObject());
    struct stat st {};
    ASSERT_EQ(stat((dir / "PDFAX18.dll").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    // Every call on an empty facade gives 0 or empty text, and says why.
    EXPECT_EQ(withFolder.LoadFromFile(dir / "x.pdf", ""), 0);
    EXPECT_EQ(withFolder.PageCount(), 0);
    EXPECT_EQ(withFolder.PageHeight(), 0.0);
    EXPECT_EQ(withFolder.NewCustomPrinter("x"), "");
    EXPECT_EQ(withFolder.LastError().problem, pdfax::Problem::kFailed);

    // A foreign file that cannot be replaced is never loaded.
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempDir locked;
    WriteFile(locked / "PDFAX18.dll", "not a module");
    ASSERT_EQ(chmod(locked.path().c_str(), 0555), 0);
    PdfLibrary stale;
    stale.Initialise(locked.path());
    EXPECT_FALSE(stale.HasObject());
    EXPECT_EQ(ReadFile(locked / "PDFAX18.dll"), "not a module");
    chmod(locked.path().c_str(), 0755);
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
