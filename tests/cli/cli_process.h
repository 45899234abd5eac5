// Runs the built vellumark-cli as a separate process, from a private copy so
// that its program directory (the library module, the temporary images and
// the default merged file) belongs to the test alone.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vellumark::testing {

struct CliRun {
    int exitCode = -1;  // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// How to run it, beyond the words.
struct CliOptions {
    std::string programDirectory;          // empty: CliProgramDirectory()
    bool unprivileged = false;             // as the user "nobody" when the tests run as root
    long fileSizeLimit = 0;                // bytes any one file may grow to (0: no limit)
    std::vector<std::string> environment;  // NAME=value added to the tests' own
    uid_t user = 0;  // as this user (and group) when the tests run as root; 0: see unprivileged
};

// The private program directory, shared by the tests of one process.
const std::string& CliProgramDirectory();
// A program directory of its own, with a copy of the program (removed with
// the returned folder's owner, a TempDir the caller keeps).
std::string MakeProgramDirectory(const std::string& folder);

// Runs the program with these words after its name (bytes as they stand).
CliRun RunCli(const std::vector<std::string>& args, const CliOptions& options = {});

// A run in the background, read as it goes; the object waits for it.
class RunningCli {
public:
    RunningCli(const std::vector<std::string>& args, const CliOptions& options = {});
    ~RunningCli();
    RunningCli(const RunningCli&) = delete;
    RunningCli& operator=(const RunningCli&) = delete;

    void Kill();             // SIGKILL, as a power cut or `kill -9` would stop it
    CliRun Wait();           // once only
    bool Exited();           // without waiting
    std::string ErrSoFar();  // what it has written to standard error so far

private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool reaped_ = false;
    CliRun run_;
    std::mutex mutex_;  // run_ while the reader fills it
    std::thread reader_;
};

// The user id the unprivileged runs take ("nobody"), or our own when the
// tests are not root.
uid_t UnprivilegedUser();

// Every file of a folder with its bytes, names sorted, subfolders included.
std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& folder);

// The lines of a text, without their line breaks.
std::vector<std::string> Lines(const std::string& text);

}  // namespace vellumark::testing
