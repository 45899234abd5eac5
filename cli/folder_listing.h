// The list command's rows: what the window's list would show, with
// multi-page files listed as they are instead of split.
#pragma once

#include "intake/invoice_rows.h"
#include "list_output.h"
#include "pdflib/pdf_library.h"

#include <string>
#include <vector>

namespace vellumark::cli {

// The rows in list order, with the duplicate column filled in.
std::vector<ListedInvoice> CollectListing(const InvoiceRows& rows);

}  // namespace vellumark::cli
