#include "cli_process.h"

#include "test_support.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <stdexcept>

extern char** environ;

namespace vellumark::testing {
namespace {

// Reads both pipes to their end together, so neither can fill up and stall
// the child.
void Drain(int outFd, int errFd, std::string& out, std::string& err, std::mutex& mutex) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard lock(mutex);
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

const std::string& CliProgramDirectory() {
    static TempDir directory;
    static const std::string path = MakeProgramDirectory(directory.path());
    return path;
}

std::string MakeProgramDirectory(const std::string& folder) {
    const std::string copy = folder + "/vellumark-cli";
    CopyFile(VELLUMARK_BINARY_DIR "/vellumark-cli", copy);
    chmod(copy.c_str(), 0755);
    return folder;
}

uid_t UnprivilegedUser() {
    if (geteuid() != 0)
        return geteuid();
    const passwd* nobody = getpwnam("nobody");
    return nobody ? nobody->pw_uid : 65534;
}

namespace {

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void ExecChild(const std::string& program, std::vector<char*>& argv,
                            std::vector<char*>& env, const CliOptions& options, int out, int err) {
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (options.fileSizeLimit > 0) {
        // A file that would grow past the limit fails to write (EFBIG),
        // as on a full disk, instead of killing the program.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if ((options.unprivileged || options.user != 0) && geteuid() == 0) {
        const uid_t user = options.user != 0 ? options.user : UnprivilegedUser();
        if (setgroups(0, nullptr) != 0 || setgid(user) != 0 || setuid(user) != 0)
            _exit(126);
    }
    execve(program.c_str(), argv.data(), env.data());
    _exit(127);
}

}  // namespace

RunningCli::RunningCli(const std::vector<std::string>& args, const CliOptions& options) {
    const std::string directory =
        options.programDirectory.empty() ? CliProgramDirectory() : options.programDirectory;
    const std::string program = directory + "/vellumark-cli";
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> settings = options.environment;
    // Each run keeps its own ledger of printed invoices unless the test
    // names one, so that no run flags what another merged.
    const bool namesLedger =
        std::any_of(settings.begin(), settings.end(),
                    [](const std::string& s) { return s.rfind("VELLUMARK_LEDGER=", 0) == 0; });
    static std::atomic<int> ledgers{0};
    if (!namesLedger) {
        settings.push_back("VELLUMARK_LEDGER=" + directory + "/ledger-" +
                           std::to_string(ledgers++) + ".sqlite");
    }
    for (char** entry = environ; *entry; ++entry)
        settings.emplace_back(*entry);
    std::vector<char*> env;
    for (auto& setting : settings)
        env.push_back(setting.data());
    env.push_back(nullptr);

    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0)
        ExecChild(program, argv, env, options, outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    reader_ = std::thread([this, out = outPipe[0], err = errPipe[0]] {
        Drain(out, err, run_.out, run_.err, mutex_);
        close(out);
        close(err);
    });
}

RunningCli::~RunningCli() {
    if (!reaped_)
        Wait();
}

void RunningCli::Kill() {
    if (!reaped_)
        kill(pid_, SIGKILL);
}

std::string RunningCli::ErrSoFar() {
    std::lock_guard lock(mutex_);
    return run_.err;
}

bool RunningCli::Exited() {
    if (reaped_)
        return true;
    const pid_t done = waitpid(pid_, &status_, WNOHANG);
    reaped_ = done == pid_;
    return reaped_;
}

CliRun RunningCli::Wait() {
    while (!reaped_) {
        const pid_t done = waitpid(pid_, &status_, 0);
        reaped_ = done == pid_ || (done < 0 && errno != EINTR);
    }
    if (reader_.joinable())
        reader_.join();
    if (WIFEXITED(status_))
        run_.exitCode = WEXITSTATUS(status_);
    return run_;
}

CliRun RunCli(const std::vector<std::string>& args, const CliOptions& options) {
    RunningCli running(args, options);
    return running.Wait();
}

std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& name : ListFolder(folder)) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            for (auto& [inner, bytes] : Snapshot(path))
                files.emplace_back(name + "/" + inner, bytes);
        } else {
            files.emplace_back(name, ReadFile(path));
        }
    }
    return files;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

}  // namespace vellumark::testing
