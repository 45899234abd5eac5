// Taking in a folder of invoice PDFs: splitting, listing and ordering.
#pragma once

#include "invoice_list_model.h"
#include "pdf_library.h"

#include <QString>

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
    kListed,      // rows listed; show the count and the layout panel
    kNoPdfFiles,  // show "请选择包含.pdf的文件夹拖入！" / "文件类型有误"
};

// Deletes a previous merge's result file and image folder; missing ones
// are fine.
void RemovePreviousOutput(const std::string& outputPdf, const std::string& tempImageFolder);

// Finds the PDFs of values.sourceFolder, splits multi-page ones, lists and
// orders the rows in `rows`. Never loses a file of the user's.
BuildResult BuildInvoiceList(PdfLibrary& pdf, IntakeValues& values, InvoiceListModel& rows);

// "导出 " + count + " 张电子发票".
QString InvoiceCountCaption(int rows);

// Rearranges the rows tallest page first, with the list's own tie-breaks.
void OrderRowsByPageHeight(InvoiceListModel& rows);

// The largest integer not above `millimetres`, where a value less than 1e-12
// below an integer counts as that integer; 0 for values that are not finite.
long long IntegerPart(double millimetres);

// The last component of `path` without its extension (the last "." and all
// after it), as the platform's bytes.
std::string FileNameWithoutExtension(const std::string& path);

}  // namespace vellumark
