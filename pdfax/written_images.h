// The PNG files this library wrote itself, remembered so that embedding one
// of them need not inflate its whole image data again to prove it decodes:
// the library made that data from exactly the image's rows.
//
// A file counts as one of ours only while it is the very file written (same
// device, inode, size, modification and change times) and holds the same
// bytes (same CRC-32); any change to it, or a different file renamed into its
// place, makes it a stranger that is checked in full.
#pragma once

#include <string>

namespace pdfax {

// Records the file just written at `path` with content `bytes`.
void RememberWrittenImage(const std::string& path, const std::string& bytes);

// True when the file at `path`, read as `bytes`, is one remembered unchanged.
bool IsUnchangedWrittenImage(const std::string& path, const std::string& bytes);

}  // namespace pdfax
