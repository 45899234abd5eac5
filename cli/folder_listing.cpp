#include "folder_listing.h"

#include "duplicates.h"
#include "file_search.h"
#include "invoice_intake.h"

#include <cmath>

namespace vellumark::cli {
namespace {

// The integer part of a size, where a value a hair below an integer (as a
// unit conversion leaves it) counts as that integer.
int WholeMillimetres(double value) {
    if (!std::isfinite(value) || value <= 0)
        return 0;
    if (value > 1e9)
        return 1000000000;
    return static_cast<int>(std::floor(value + 1e-12));
}

}  // namespace

std::string NameWithoutExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

int ListWithoutSplitting(PdfLibrary& pdf, const std::string& folder, InvoiceListModel& rows) {
    rows.Clear();
    std::vector<std::string> found;
    FileSearch(folder, "*.pdf", found);
    for (const auto& path : found) {
        const bool loaded = pdf.LoadFromFile(path, "") != 0;
        // Each file is put at the top, as the window's second pass does; the
        // ordering below undoes that reversal for equal heights.
        rows.InsertRowAtTop();
        rows.SetCell(0, kColumnName, QString::fromUtf8(NameWithoutExtension(path)));
        rows.SetCell(0, kColumnPages, QString::number(loaded ? pdf.PageCount() : 0));
        rows.SetPath(0, path);
        rows.SetCell(0, kColumnHeight,
                     QString::number(loaded ? WholeMillimetres(pdf.PageHeight()) : 0));
        rows.SetCell(0, kColumnWidth,
                     QString::number(loaded ? WholeMillimetres(pdf.PageWidth()) : 0));
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
        invoice.name = NameWithoutExtension(invoice.path);
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
