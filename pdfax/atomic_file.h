// Whole-or-nothing file writes: the content is written to a temporary file in
// the target's folder, flushed, and only then moved to the target's name.
#pragma once

#include <functional>
#include <string>

namespace pdfax {

// Receives the temporary path to write and returns true when it wrote it.
using FileWriter = std::function<bool(const std::string& tempPath)>;

// How far a finished write must have got before the new file takes the name.
enum class Durability {
    kOnDisk,     // flushed to the disk first: after a crash the name holds the
                 // old file or the whole new one
    kWholeOnly,  // readers only ever see the whole file; a crash may leave it
                 // damaged. For files the program makes again each time it
                 // needs them, where waiting for the disk buys nothing.
};

// Replaces (or creates) `target`. On any failure the previous file is intact
// and no temporary file is left behind.
bool ReplaceFileAtomically(const std::string& target, const FileWriter& write,
                           Durability durability = Durability::kOnDisk);

// Creates `target` only if no file or folder of that name exists; an existing
// one is never touched, even if it appears while the content is written.
bool CreateFileAtomically(const std::string& target, const FileWriter& write);

// True when something (file, folder, link) of that name exists.
bool PathExists(const std::string& path);

}  // namespace pdfax
