// What the listing adds to the pile's relations: split pages that repeat
// their invoice's number, and the pages whose facts fell short.
#pragma once

#include "facts/invoice_facts.h"
#include "facts/pile.h"

#include <string>
#include <vector>

namespace vellumark {

// The facts as the relations should see them: a page split from the same
// source as an earlier page of an invoice ("NAME(第N页).pdf"), that repeats
// that invoice's code and number, loses them here, so that it continues the
// invoice instead of repeating it.
std::vector<InvoiceFacts> FactsToRelate(const std::vector<std::string>& paths,
                                        std::vector<InvoiceFacts> facts);

// A page that has the marks of an invoice: an invoice's kind, or a code's
// number or amounts on a page without text.
bool LooksLikeInvoice(const InvoiceFacts& facts);

// Rows of fully read invoices (a number and a total), each counted once.
bool FullyRead(const InvoiceFacts& facts, const PageRelation& relation);

}  // namespace vellumark
