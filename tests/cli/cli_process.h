// Runs the built vellumark-cli as a separate process, from a private copy so
// that its program directory (the library module, the temporary images and
// the default merged file) belongs to the test alone.
#pragma once

#include <string>
#include <vector>

namespace vellumark::testing {

struct CliRun {
    int exitCode = -1;  // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// The private program directory, shared by the tests of one process.
const std::string& CliProgramDirectory();

// Runs the program with these words after its name (bytes as they stand).
CliRun RunCli(const std::vector<std::string>& args);

// Every file of a folder with its bytes, names sorted, subfolders included.
std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& folder);

// The lines of a text, without their line breaks.
std::vector<std::string> Lines(const std::string& text);

}  // namespace vellumark::testing
