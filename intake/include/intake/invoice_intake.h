// Taking in a folder of invoice PDFs and OFD packages: splitting, listing
// and ordering.
#pragma once

#include "intake/invoice_rows.h"
#include "intake/page_split.h"
#include "pdflib/pdf_library.h"
#include "pdflib/problem_text.h"

#include <QString>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace vellumark {

// The program-wide values the intake reads and rewrites.
struct IntakeValues {
    std::string sourceFolder;  // platform bytes
    std::vector<std::string> foundFiles;
    std::string splitTargetFolder;
};

enum class BuildResult {
    kListed,  // rows listed; show the count and the layout panel
    kNoPdfFiles,  // neither PDFs nor OFDs: show "请选择包含.pdf的文件夹拖入！" / "文件类型有误"
    kCancelled,  // stopped on request, every split finished or undone
};

// What the user hears about after an intake, besides the rows.
struct IntakeReport {
    std::vector<FileProblem> unreadable;  // listed with 0 pages, never printed
    std::vector<FileProblem> notSplit;    // kept whole: only page 1 is printed
    std::vector<std::string> resumed;     // sources whose interrupted split was finished
    int staleTempFiles = 0;               // left by killed writers, removed
};

// Called as the multi-page file `source` is split: page `page` of `pages`
// is written.
using IntakeProgress = std::function<void(const std::string& source, int page, int pages)>;

// How a caller on another thread follows and stops an intake.
struct IntakeHooks {
    IntakeProgress progress;
    // When it becomes true, the intake stops at the next file or page; a
    // split it was in is undone, so the folder is as a finished split or no
    // split would leave it.
    const std::atomic<bool>* cancel = nullptr;
};

// The progress text of a row whose file could not be read, or could not be
// split; its note says why.
inline constexpr const char* kUnreadableText = "无法读取";
inline constexpr const char* kNotSplitText = "未拆分";

// Deletes a previous merge's result file and image folder; missing ones
// are fine.
void RemovePreviousOutput(const std::string& outputPdf, const std::string& tempImageFolder);

// Finds the PDFs and OFD packages of values.sourceFolder, splits
// multi-page PDFs (finishing splits an earlier run was stopped in), lists
// and orders the rows in `rows`. Never loses a file of the user's. The caller holds the folder's
// lock (FolderLocks).
BuildResult BuildInvoiceList(PdfLibrary& pdf, IntakeValues& values, InvoiceRows& rows,
                             IntakeReport* report = nullptr, const IntakeHooks& hooks = {});

// Lists the "*.pdf" and "*.ofd" files directly in `folder` as they are
// (an OFD package a row per page, see InvoiceRows), multi-page PDFs whole,
// ordered and numbered as the intake orders them; a file that cannot be
// read is listed with 0 pages and a note saying why. Returns the
// number of rows.
int ListFolder(PdfLibrary& pdf, const std::string& folder, InvoiceRows& rows,
               std::vector<std::string>* found = nullptr, IntakeReport* report = nullptr);

// "导出 " + count + " 张电子发票".
QString InvoiceCountCaption(int rows);

// Rearranges the rows tallest page first, with the list's own tie-breaks.
void OrderRowsByPageHeight(InvoiceRows& rows);

// The largest integer not above `millimetres`, where a value less than 1e-12
// below an integer counts as that integer; 0 for values that are not finite.
long long IntegerPart(double millimetres);

// The last component of `path` without its extension (the last "." and all
// after it), as the platform's bytes.
std::string FileNameWithoutExtension(const std::string& path);

// `problem` as a row's note: the reason, in the user's words.
QString NoteText(const FileProblem& problem);

}  // namespace vellumark
