#include "invoice_intake.h"

#include "file_search.h"
#include "folder_ops.h"
#include "page_split.h"

#include <QFile>

#include <cmath>

namespace vellumark {

namespace {

const char kPdfPattern[] = "*.pdf";

struct InvoiceFacts {
    int pages = 0;
    long long height = 0;
    long long width = 0;
};

// Loads `path` and reads its page count and first-page size. A file the
// library cannot read gives zeros, never the values of the file before it.
InvoiceFacts ReadInvoice(PdfLibrary& pdf, const std::string& path) {
    InvoiceFacts facts;
    if (pdf.LoadFromFile(path, "") == 0)
        return facts;
    facts.pages = pdf.PageCount();
    if (facts.pages <= 0)
        return InvoiceFacts{};
    facts.height = IntegerPart(pdf.PageHeight());
    facts.width = IntegerPart(pdf.PageWidth());
    return facts;
}

void FillRow(InvoiceListModel& rows, int row, const std::string& path, const InvoiceFacts& facts) {
    rows.SetCell(row, kColumnName,
                 QFile::decodeName(QByteArray::fromStdString(FileNameWithoutExtension(path))));
    rows.SetCell(row, kColumnPages, QString::number(facts.pages));
    rows.SetPath(row, path);
    rows.SetCell(row, kColumnHeight, QString::number(facts.height));
    rows.SetCell(row, kColumnWidth, QString::number(facts.width));
}

std::string SplitTargetFolderOf(const std::string& sourceFolder) {
    if (IsDirectory(sourceFolder))
        return sourceFolder;
    const auto slash = sourceFolder.rfind('/');
    return slash == std::string::npos ? std::string() : sourceFolder.substr(0, slash + 1);
}

}  // namespace

long long IntegerPart(double millimetres) {
    if (!std::isfinite(millimetres) || std::fabs(millimetres) > 1e15)
        return 0;
    double whole = std::floor(millimetres);
    if (whole + 1 - millimetres < 1e-12)
        whole += 1;
    return static_cast<long long>(whole);
}

std::string FileNameWithoutExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

void RemovePreviousOutput(const std::string& outputPdf, const std::string& tempImageFolder) {
    RemoveFile(outputPdf);
    RemoveFolderTree(tempImageFolder);
}

QString InvoiceCountCaption(int rows) {
    return QStringLiteral("导出 ") + QString::number(rows) + QStringLiteral(" 张电子发票");
}

BuildResult BuildInvoiceList(PdfLibrary& pdf, IntakeValues& values, InvoiceListModel& rows) {
    rows.Clear();
    values.splitTargetFolder = SplitTargetFolderOf(values.sourceFolder);
    if (FileSearch(values.sourceFolder, kPdfPattern, values.foundFiles) == 0) {
        return BuildResult::kNoPdfFiles;
    }

    // First pass: the multi-page files.
    for (const auto& path : values.foundFiles) {
        const InvoiceFacts facts = ReadInvoice(pdf, path);
        if (facts.pages <= 1)
            continue;
        rows.AppendRow();
        const int row = rows.rowCount() - 1;
        rows.SetCell(row, kColumnNumber, QString::number(row + 1));
        FillRow(rows, row, path, facts);
        PumpMessages();
    }

    // Split each of them; one that cannot be split completely stays whole.
    for (int row = 0; row < rows.rowCount(); ++row) {
        const std::string source = rows.Path(row);
        SplitIntoPages(pdf, source, values.splitTargetFolder, FileNameWithoutExtension(source),
                       rows.Cell(row, kColumnPages).toInt());
    }
    rows.Clear();

    // Second pass: list what is there now, each new row on top.
    FileSearch(values.sourceFolder, kPdfPattern, values.foundFiles);
    for (const auto& path : values.foundFiles) {
        const InvoiceFacts facts = ReadInvoice(pdf, path);
        rows.InsertRowAtTop();
        rows.SetCell(0, kColumnNumber, QStringLiteral("0"));
        FillRow(rows, 0, path, facts);
        rows.SetCell(0, kColumnProgress, QStringLiteral("等待中"));
        PumpMessages();
    }

    OrderRowsByPageHeight(rows);
    for (int row = 0; row < rows.rowCount(); ++row) {
        rows.SetCell(row, kColumnNumber, QString::number(row + 1));
    }
    return BuildResult::kListed;
}

}  // namespace vellumark
