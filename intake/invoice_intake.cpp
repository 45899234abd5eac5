#include "intake/invoice_intake.h"

#include "intake/file_search.h"
#include "intake/folder_ops.h"
#include "intake/wildcard.h"
#include "ofd_rows.h"

#include <files/file_stamp.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <map>

namespace vellumark {

namespace {

Q_LOGGING_CATEGORY(lcIntake, "vellumark.intake")

const char kPdfPattern[] = "*.pdf";

struct InvoiceFacts {
    int pages = 0;
    long long height = 0;
    long long width = 0;
    pdfax::CallError error;  // why the file could not be read
};

// Loads `path` and reads its page count and first-page size. A file the
// library cannot read gives zeros, never the values of the file before it,
// and the reason.
InvoiceFacts ReadInvoice(PdfLibrary& pdf, const std::string& path) {
    InvoiceFacts facts;
    if (pdf.LoadFromFile(path, "") == 0) {
        facts.error = pdf.LastError();
        return facts;
    }
    facts.pages = pdf.PageCount();
    if (facts.pages <= 0) {
        facts.error = {"PageCount", path, pdfax::Problem::kDamaged, "no pages"};
        facts.pages = 0;
        return facts;
    }
    facts.height = IntegerPart(pdf.PageHeight());
    facts.width = IntegerPart(pdf.PageWidth());
    return facts;
}

// The files the split's pass read, as they were: the list's pass takes their
// page count and size instead of parsing each file a second time.
struct ReadFile {
    files::FileStamp stamp;
    InvoiceFacts facts;
};
using ReadFiles = std::map<std::string, ReadFile>;

InvoiceFacts ReadOnce(PdfLibrary& pdf, const std::string& path, const ReadFiles* read) {
    if (read) {
        const auto known = read->find(path);
        if (known != read->end() && files::StillTheSame(path, known->second.stamp))
            return known->second.facts;
    }
    return ReadInvoice(pdf, path);
}

void FillRow(InvoiceRows& rows, int row, const std::string& path, const InvoiceFacts& facts) {
    rows.SetCell(row, kColumnName,
                 QFile::decodeName(QByteArray::fromStdString(FileNameWithoutExtension(path))));
    rows.SetPages(row, facts.pages);
    rows.SetPath(row, path);
    rows.SetSize(row, static_cast<double>(facts.width), static_cast<double>(facts.height));
}

std::string SplitTargetFolderOf(const std::string& sourceFolder) {
    if (IsDirectory(sourceFolder))
        return sourceFolder;
    const auto slash = sourceFolder.rfind('/');
    return slash == std::string::npos ? std::string() : sourceFolder.substr(0, slash + 1);
}

bool Cancelled(const IntakeHooks& hooks) {
    return hooks.cancel && hooks.cancel->load();
}

// The multi-page files among `found`, with their page counts.
std::vector<std::pair<std::string, int>> MultiPageFiles(PdfLibrary& pdf,
                                                        const std::vector<std::string>& found,
                                                        const IntakeHooks& hooks, ReadFiles& read) {
    std::vector<std::pair<std::string, int>> multiPage;
    for (const auto& path : found) {
        if (Cancelled(hooks))
            break;
        // Stamped first: a file that changes while it is read is read again.
        const files::FileStamp stamp = files::StampOf(path);
        const InvoiceFacts facts = ReadInvoice(pdf, path);
        if (facts.pages > 1)
            multiPage.emplace_back(path, facts.pages);
        else
            read[path] = {stamp, facts};
    }
    return multiPage;
}

// Splits each multi-page file; one that cannot be split stays whole and is
// named with the reason. A cancelled split is undone whole.
void SplitMultiPageFiles(PdfLibrary& pdf, const IntakeValues& values, IntakeReport& report,
                         const IntakeHooks& hooks, ReadFiles& read) {
    for (const auto& [source, pages] : MultiPageFiles(pdf, values.foundFiles, hooks, read)) {
        if (Cancelled(hooks))
            return;
        const SplitOutcome outcome =
            SplitIntoPages(pdf, source, values.splitTargetFolder, FileNameWithoutExtension(source),
                           pages, [&, path = source](int page, int count) {
                               if (hooks.progress)
                                   hooks.progress(path, page, count);
                               return !Cancelled(hooks);
                           });
        if (outcome.resumed)
            report.resumed.push_back(source);
        if (!outcome.split && !outcome.stopped)
            report.notSplit.push_back(outcome.problem);
    }
}

// The row's progress text and note for a file that was not read or split.
void MarkProblemRows(InvoiceRows& rows, const IntakeReport& report) {
    for (int row = 0; row < rows.rowCount(); ++row) {
        const std::string path = rows.Path(row);
        for (const auto& problem : report.notSplit) {
            if (problem.path == path) {
                rows.SetCell(row, kColumnProgress, QString::fromUtf8(kNotSplitText));
                rows.SetNote(row, QStringLiteral("未能拆分：") + NoteText(problem));
            }
        }
    }
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
    const auto slash = outputPdf.rfind('/');
    RemoveStaleTempFiles(slash == std::string::npos ? "." : outputPdf.substr(0, slash));
}

QString InvoiceCountCaption(int rows) {
    return QStringLiteral("导出 ") + QString::number(rows) + QStringLiteral(" 张电子发票");
}

QString NoteText(const FileProblem& problem) {
    return QString::fromUtf8(problem.reason);
}

namespace {

// The PDFs and OFD packages directly in `folder`, in one name order.
std::vector<std::string> InvoiceFiles(const std::string& folder) {
    std::vector<std::string> files;
    FileSearch(folder, std::string(kPdfPattern) + "|" + kOfdPattern, files);
    std::sort(files.begin(), files.end(), FoldedLess);
    return files;
}

int ListFiles(PdfLibrary& pdf, const std::string& folder, InvoiceRows& rows,
              std::vector<std::string>* found, IntakeReport* report, const ReadFiles* read) {
    rows.Clear();
    std::vector<std::string> files = InvoiceFiles(folder);
    for (const auto& path : files) {
        if (IsOfdPath(path)) {
            InsertOfdRows(rows, path, report ? &report->unreadable : nullptr);
            continue;
        }
        const InvoiceFacts facts = ReadOnce(pdf, path, read);
        // Each file is put at the top; the ordering below undoes that
        // reversal for equal heights.
        rows.InsertRowAtTop();
        FillRow(rows, 0, path, facts);
        rows.SetCell(0, kColumnProgress, QStringLiteral("等待中"));
        if (facts.error.problem != pdfax::Problem::kNone) {
            const FileProblem problem = ProblemOf(facts.error, path);
            rows.SetCell(0, kColumnProgress, QString::fromUtf8(kUnreadableText));
            rows.SetNote(0, NoteText(problem));
            if (report)
                report->unreadable.push_back(problem);
        }
    }
    OrderRowsByPageHeight(rows);
    for (int row = 0; row < rows.rowCount(); ++row)
        rows.SetOrder(row, row + 1);
    if (found)
        *found = std::move(files);
    return rows.rowCount();
}

}  // namespace

int ListFolder(PdfLibrary& pdf, const std::string& folder, InvoiceRows& rows,
               std::vector<std::string>* found, IntakeReport* report) {
    return ListFiles(pdf, folder, rows, found, report, nullptr);
}

BuildResult BuildInvoiceList(PdfLibrary& pdf, IntakeValues& values, InvoiceRows& rows,
                             IntakeReport* report, const IntakeHooks& hooks) {
    IntakeReport local;
    IntakeReport& told = report ? *report : local;
    told = IntakeReport{};
    rows.Clear();
    values.splitTargetFolder = SplitTargetFolderOf(values.sourceFolder);
    // Only PDFs are split; a folder of OFD packages alone is listed too.
    std::vector<std::string> packages;
    if (FileSearch(values.sourceFolder, kPdfPattern, values.foundFiles) == 0 &&
        FileSearch(values.sourceFolder, kOfdPattern, packages) == 0)
        return BuildResult::kNoPdfFiles;
    // Temporary files of a writer that was killed here are of no use to anyone.
    told.staleTempFiles = RemoveStaleTempFiles(
        values.splitTargetFolder.empty() ? std::string(".") : values.splitTargetFolder);
    QElapsedTimer clock;
    clock.start();
    ReadFiles read;
    SplitMultiPageFiles(pdf, values, told, hooks, read);
    qCInfo(lcIntake) << "split in" << clock.restart() << "ms;" << told.notSplit.size()
                     << "not split," << told.resumed.size() << "resumed";
    if (Cancelled(hooks))
        return BuildResult::kCancelled;
    ListFiles(pdf, values.sourceFolder, rows, &values.foundFiles, &told, &read);
    MarkProblemRows(rows, told);
    qCInfo(lcIntake) << "listed" << rows.rowCount() << "rows in" << clock.elapsed() << "ms";
    return BuildResult::kListed;
}

}  // namespace vellumark
