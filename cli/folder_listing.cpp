#include "folder_listing.h"

#include "duplicates.h"
#include "intake/invoice_intake.h"

namespace vellumark::cli {

std::vector<ListedInvoice> CollectListing(const InvoiceRows& rows) {
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
        invoice.problem = rows.Note(row).toStdString();
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
