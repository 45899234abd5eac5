// The run log: what a user's report needs traced and the user is never
// shown raw — the library's detail, each renderer's exit status and stderr,
// and how long each step took. Every Qt message of the run, of any
// category, goes to one file per run in the program's cache folder; only
// the last few runs are kept.
#pragma once

#include <string>

namespace vellumark {

inline constexpr int kRunLogsKept = 5;

// Starts this run's log ("<program>-<time>-<pid>.log" under `folder`, or
// the cache folder when it is empty), removes all but the newest
// kRunLogsKept logs of the program, and routes Qt's messages there; with
// `echo` they go to standard error as well. Critical messages always
// reach standard error. Returns the log's path, or empty when it cannot be
// written: the run goes on without one.
std::string StartRunLog(const std::string& program, bool echo, const std::string& folder = {});

// Ends the log: messages go back to Qt's default handler.
void StopRunLog();

}  // namespace vellumark
