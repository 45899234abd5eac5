// A private PostgreSQL server for tests: its own cluster in a temporary
// folder, listening only on a unix socket there, run as an ordinary user
// (the server refuses to run as root). The tests' process connects as the
// cluster's superuser "ledger" without a password; "guarded" needs one.
#pragma once

#include "ledger/location.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vellumark::testing {

class PgTestServer {
public:
    PgTestServer();  // initialises the cluster and starts the server
    ~PgTestServer();
    PgTestServer(const PgTestServer&) = delete;
    PgTestServer& operator=(const PgTestServer&) = delete;

    bool Running() const { return pid_ > 0 && problem_.empty(); }
    const std::string& Problem() const { return problem_; }

    const std::string& SocketFolder() const { return folder_; }
    static constexpr int kPort = 5432;
    static constexpr const char* kGuardedUser = "guarded";
    static constexpr const char* kGuardedPassword = "s3cret'\\pw";

    // A new, empty database and the location of a ledger in it.
    ledger::Location FreshDatabase();
    // Runs SQL as the superuser in `database`; empty on success, else why.
    std::string Run(const std::string& database, const std::string& sql);

    // Stops the server at once, as a crash or a pulled cable would; Start()
    // brings it back on the same cluster.
    void Stop();
    bool Start();

private:
    std::string folder_;
    std::string bin_;
    int pid_ = 0;
    int databases_ = 0;
    std::string problem_;
};

// One server for a suite, started in SetUpTestSuite; null where PostgreSQL
// is not installed.
PgTestServer* StartPgServer();

}  // namespace vellumark::testing

#define VELLUMARK_REQUIRE_PG(server)                                             \
    do {                                                                         \
        if (!(server))                                                           \
            GTEST_SKIP() << "PostgreSQL is not installed (/usr/lib/postgresql)"; \
        if (!(server)->Running() && std::getenv("CI"))                           \
            FAIL() << "PostgreSQL did not start: " << (server)->Problem();       \
        if (!(server)->Running())                                                \
            GTEST_SKIP() << "PostgreSQL did not start: " << (server)->Problem(); \
    } while (0)
