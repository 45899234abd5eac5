// The invoice rows of a folder without changing it: what the window's list
// would show, with multi-page files listed as they are instead of split.
#pragma once

#include "invoice_list_model.h"
#include "list_output.h"
#include "pdf_library.h"

#include <string>
#include <vector>

namespace vellumark::cli {

// Fills `rows` from the "*.pdf" files directly in `folder`, ordered and
// numbered as the intake orders them, and returns the number of rows. A file
// the library cannot read is listed with 0 pages and a size of 0.
int ListWithoutSplitting(PdfLibrary& pdf, const std::string& folder, InvoiceListModel& rows);

// The rows in list order, with the duplicate column filled in.
std::vector<ListedInvoice> CollectListing(const InvoiceListModel& rows);

}  // namespace vellumark::cli
