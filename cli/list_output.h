// The list command's three ways of writing the invoice rows.
#pragma once

#include "cli_arguments.h"

#include <string>
#include <vector>

namespace vellumark::cli {

// One listed invoice, as the list command prints it.
struct ListedInvoice {
    int order = 0;
    std::string name;  // bytes of the file name, without extension
    int pages = 0;
    int height = 0;  // whole millimetres
    int width = 0;
    std::string path;             // bytes
    std::vector<int> duplicates;  // orders of the other rows with the same bytes
    std::string problem;          // why the file cannot be read (UTF-8); empty when it can
};

std::string FormatListing(const std::vector<ListedInvoice>& listing, ListFormat format);

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

}  // namespace vellumark::cli
