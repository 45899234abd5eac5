// The listing of a folder's invoices, as the list command prints it and the
// window exports it: one row per listed file with its facts, then a line
// that counts the distinct invoices and adds up their totals.
#pragma once

#include "facts/invoice_facts.h"
#include "facts/pile.h"
#include "intake/invoice_rows.h"

#include <string>
#include <vector>

namespace vellumark {

enum class ListFormat { kTable, kCsv, kJson };

// One listed file.
struct ListedInvoice {
    int order = 0;
    std::string name;  // bytes of the file name, without extension
    int pages = 0;
    int height = 0;  // whole millimetres
    int width = 0;
    std::string path;             // bytes
    std::vector<int> duplicates;  // orders of the other rows with the same bytes
    std::string problem;          // why the file cannot be read (UTF-8); empty when it can
    InvoiceFacts facts;
    int continuationOf = 0;        // the order of the invoice it continues, or 0
    int duplicateOf = 0;           // the order of the first row with the same invoice, or 0
    std::vector<int> sameInvoice;  // orders of the other rows with the same invoice
    // The order of the first row with the same invoice in the other format
    // (the PDF's for an OFD page, the OFD's first page for a PDF), or 0.
    int otherFormatOf = 0;
    InvoiceFormat format = InvoiceFormat::kPdf;
    // When the ledger says this invoice was merged before ("yyyy-MM-dd
    // HH:mm"); empty when it was not, or nobody asked the ledger.
    std::string printedBefore;
};

struct Listing {
    std::vector<ListedInvoice> rows;
    // The invoices read whole (a number and a total), each once, and their
    // sum; `withoutTotal` counts the pages in `unread`.
    PileSummary summary;
    // Orders of the rows that look like an invoice but lack a number or a
    // total (never a continuation, a repeat or a document that is no invoice).
    std::vector<int> unread;
};

// The rows in list order with their facts (one per row, or none at all),
// related to each other and added up.
Listing BuildListing(const InvoiceRows& rows, const std::vector<InvoiceFacts>& facts);

// Per row: an OFD page whose invoice a PDF of the listing holds, or a page
// that continues such a page. The invoice goes onto the sheets once, from
// the PDF, and these rows stay off them.
std::vector<bool> PlacedFromPdf(const Listing& listing);

// The table, the CSV (UTF-8 with a byte-order mark, for spreadsheet
// programs) or the JSON form.
std::string FormatListing(const Listing& listing, ListFormat format);

// "共 12 张发票，价税合计 1234.56 元", with the number of invoices whose total
// could not be read.
std::string SummaryText(const PileSummary& summary);
// The listing's line: "共 9 张发票，价税合计 X 元", and after it "；另有 2 张未能读出
// 金额：NAME1、NAME2" when pages that look like invoices could not be read whole.
std::string SummaryText(const Listing& listing);

// A JSON string literal for platform bytes: UTF-8 is kept, every byte that is
// not part of valid UTF-8 becomes "\udcXX" (the lone-surrogate convention
// that Python's os.fsencode turns back into the same byte).
std::string JsonString(const std::string& bytes);
// One CSV field: quoted, with quotes doubled, when it holds a comma, a quote,
// a line break or surrounding blanks.
std::string CsvField(const std::string& bytes);
// The text made safe to show on a terminal: control characters and bytes
// that are not UTF-8 become "?".
std::string TerminalText(const std::string& bytes);
// Columns the text takes on a terminal: wide East Asian characters take two.
int DisplayWidth(const std::string& text);

}  // namespace vellumark
