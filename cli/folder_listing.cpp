#include "folder_listing.h"

#include "duplicates.h"
#include "file_search.h"
#include "invoice_intake.h"

#include <QFile>

namespace vellumark::cli {
namespace {

struct PageFacts {
    int pages = 0;
    long long height = 0;
    long long width = 0;
};

// As the intake reads a file: one the library cannot read gives zeros, never
// the values of the file read before it.
PageFacts ReadFacts(PdfLibrary& pdf, const std::string& path) {
    PageFacts facts;
    if (pdf.LoadFromFile(path, "") == 0)
        return facts;
    facts.pages = pdf.PageCount();
    if (facts.pages <= 0)
        return PageFacts{};
    facts.height = IntegerPart(pdf.PageHeight());
    facts.width = IntegerPart(pdf.PageWidth());
    return facts;
}

}  // namespace

int ListWithoutSplitting(PdfLibrary& pdf, const std::string& folder, InvoiceListModel& rows) {
    rows.Clear();
    std::vector<std::string> found;
    FileSearch(folder, "*.pdf", found);
    for (const auto& path : found) {
        const PageFacts facts = ReadFacts(pdf, path);
        // Each file is put at the top, as the window's second pass does; the
        // ordering below undoes that reversal for equal heights.
        rows.InsertRowAtTop();
        rows.SetCell(0, kColumnNumber, QStringLiteral("0"));
        rows.SetCell(0, kColumnName,
                     QFile::decodeName(QByteArray::fromStdString(FileNameWithoutExtension(path))));
        rows.SetCell(0, kColumnPages, QString::number(facts.pages));
        rows.SetPath(0, path);
        rows.SetCell(0, kColumnHeight, QString::number(facts.height));
        rows.SetCell(0, kColumnWidth, QString::number(facts.width));
        rows.SetCell(0, kColumnProgress, QStringLiteral("等待中"));
        PumpMessages();
    }
    OrderRowsByPageHeight(rows);
    for (int row = 0; row < rows.rowCount(); ++row) {
        rows.SetCell(row, kColumnNumber, QString::number(row + 1));
    }
    return rows.rowCount();
}

std::vector<ListedInvoice> CollectListing(const InvoiceListModel& rows) {
    std::vector<ListedInvoice> listing;
    std::vector<std::string> paths;
    for (int row = 0; row < rows.rowCount(); ++row) {
        ListedInvoice invoice;
        invoice.order = rows.Cell(row, kColumnNumber).toInt();
        invoice.path = rows.Path(row);
        invoice.name = FileNameWithoutExtension(invoice.path);
        invoice.pages = rows.Cell(row, kColumnPages).toInt();
        invoice.height = rows.Cell(row, kColumnHeight).toInt();
        invoice.width = rows.Cell(row, kColumnWidth).toInt();
        listing.push_back(std::move(invoice));
        paths.push_back(listing.back().path);
    }
    const std::vector<int> groups = IdenticalFileGroups(paths);
    for (std::size_t i = 0; i < listing.size(); ++i) {
        if (groups[i] < 0)
            continue;
        for (std::size_t j = 0; j < listing.size(); ++j) {
            if (j != i && groups[j] == groups[i])
                listing[i].duplicates.push_back(listing[j].order);
        }
    }
    return listing;
}

}  // namespace vellumark::cli
