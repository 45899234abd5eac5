// One renderer process as the library sees it: started with the protocol on
// its descriptor 3 and its standard error on a pipe, read without waiting,
// and ended (killed when need be) and reaped, with how it ended and the last
// of what it said kept for the log.
#pragma once

#include <QLoggingCategory>

#include <sys/types.h>

#include <chrono>
#include <string>

namespace pdfax {

// What the library's renderers do: starts, ends, failures and timings.
Q_DECLARE_LOGGING_CATEGORY(lcRender)

class RendererProcess {
public:
    RendererProcess() = default;
    // One still running is killed and reaped.
    ~RendererProcess();
    RendererProcess(const RendererProcess&) = delete;
    RendererProcess& operator=(const RendererProcess&) = delete;

    // Starts `program` without waiting for its greeting; false (and logged)
    // when it cannot be started at all.
    bool Start(const std::string& program);
    bool Running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    int connection() const { return connection_; }
    int errors() const { return errors_; }

    bool Send(const std::string& message);
    // Reads what has arrived and takes the next message, if whole. kClosed:
    // the renderer closed the connection, most likely by dying.
    enum class Received { kNothing, kMessage, kGarbage, kClosed };
    Received Receive(std::string& message);
    // Keeps what has arrived on standard error, the last few KB of it.
    void ReadErrors();

    // Ends it: its input is closed, it may exit by itself within `grace`,
    // and is then killed; it is reaped either way. Says how it ended
    // ("exit code 1", "signal 11 (Segmentation fault)") followed by the last
    // of what it said.
    struct Ending {
        bool clean = false;  // exit code 0
        std::string how;
    };
    Ending End(std::chrono::milliseconds grace);

private:
    void CloseAll();

    pid_t pid_ = -1;
    int connection_ = -1;
    int errors_ = -1;
    std::string received_;
    std::string said_;
};

}  // namespace pdfax
