// An OFD invoice states its own facts beside its drawing: OFD.xml's custom
// data, its tags and an attached invoice XML. Those are what the issuer
// wrote, so they stand over what was read off the drawn page and its QR
// code; a field the two give differently is marked uncertain.
#pragma once

#include "facts/invoice_facts.h"
#include "intake/invoice_rows.h"

#include <ofd/ofd.h>

#include <vector>

namespace vellumark {

// The page's facts with the package's data over them. A package that names
// no invoice kind, or none that is an invoice, keeps the page's kind; a page
// that is no invoice keeps no number and no amounts, as any other page.
InvoiceFacts WithPackageData(InvoiceFacts page, const ofd::InvoiceData& data);

// Row `row`'s facts: for the first page of an OFD package, with what the
// package states; every other row, and a package that cannot be opened,
// as read from the page.
InvoiceFacts WithPackageData(const InvoiceRows& rows, int row, InvoiceFacts page);

// The same for every row of `rows` (`facts` in row order; nothing when the
// sizes differ).
void AddPackageData(const InvoiceRows& rows, std::vector<InvoiceFacts>& facts);

}  // namespace vellumark
