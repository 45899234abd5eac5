// How the listed pages relate: continuation pages of a split invoice, the
// same invoice listed twice, and what the pile adds up to.
#pragma once

#include "facts/invoice_facts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vellumark {

struct PageRelation {
    // The row whose invoice this page continues (a goods list split off as
    // "NAME(第2页).pdf"), or -1. A continuation is not counted, has no total
    // and is never a duplicate.
    int continuationOf = -1;
    // The first row with the same invoice, or -1 (also for that first row).
    int duplicateOf = -1;
    // Every other row with the same invoice, in list order.
    std::vector<int> sameInvoice;
    // The first row of the other format with the same invoice (the PDF's
    // for an OFD page, the OFD's for a PDF), or -1. The two are one invoice
    // in two formats, not a repeat: an OFD page with such a twin is never
    // counted, its PDF is.
    int otherFormatOf = -1;
    bool byteIdentical = false;  // the sameness was found in the bytes, not the number
    bool counted = false;        // one distinct invoice of the pile
};

struct PileSummary {
    int invoices = 0;             // distinct invoices
    std::int64_t totalCents = 0;  // the sum of their totals
    int withoutTotal = 0;         // counted invoices whose total could not be read
};

// Relates rows: `paths` and `facts` in list order, `identicalGroups` as
// IdenticalFileGroups gives them (-1: no twin), `ofdRows` true for the pages
// of OFD packages (none when empty).
std::vector<PageRelation> RelatePages(const std::vector<std::string>& paths,
                                      const std::vector<InvoiceFacts>& facts,
                                      const std::vector<int>& identicalGroups,
                                      const std::vector<bool>& ofdRows = {});

PileSummary Summarise(const std::vector<InvoiceFacts>& facts,
                      const std::vector<PageRelation>& relations);

// For each path, a group number shared by every other path with identical
// contents, or -1 when no other path has them. Files that cannot be read are
// never grouped. Only files of equal size are read, each once.
std::vector<int> IdenticalFileGroups(const std::vector<std::string>& paths);

}  // namespace vellumark
