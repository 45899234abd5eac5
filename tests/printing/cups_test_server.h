// A private CUPS scheduler for tests: its own configuration, spool and logs
// in a temporary folder, listening on 127.0.0.1, with queues on /dev/null.
// libcups in this process is pointed at it.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace vellumark::testing {

struct SpooledJob {
    int id = 0;
    std::map<std::string, std::string> attributes;  // values as text, "a,b" for sets
    std::string documentPath;                       // the spooled document
};

class CupsTestServer {
public:
    // Starts cupsd with `queues` (the last becomes the default). Check
    // Running(); Problem() says why it is not.
    explicit CupsTestServer(const std::vector<std::string>& queues);
    ~CupsTestServer();
    CupsTestServer(const CupsTestServer&) = delete;
    CupsTestServer& operator=(const CupsTestServer&) = delete;

    bool Running() const { return pid_ > 0 && problem_.empty(); }
    const std::string& Problem() const { return problem_; }
    static bool Available();

    // Makes `queue` refuse new jobs, as an administrator can; true when it did.
    bool Reject(const std::string& queue) const;

    // Ids of every job the scheduler knows, oldest first.
    std::vector<int> JobIds() const;
    SpooledJob Job(int id) const;

private:
    std::string folder_;
    std::string server_;
    int pid_ = 0;
    std::string problem_;
};

// One scheduler for the tests of a suite: started in SetUpTestSuite (null
// where cupsd is not installed), stopped in TearDownTestSuite, and checked in
// each test's SetUp with VELLUMARK_REQUIRE_CUPS.
CupsTestServer* StartSuiteServer(const std::vector<std::string>& queues);
void StopSuiteServer(CupsTestServer*& server);

// Pages of a PDF file, read with qpdf; -1 when it cannot be read.
int PdfPageCount(const std::string& path);

}  // namespace vellumark::testing

#define VELLUMARK_REQUIRE_CUPS(server)                           \
    do {                                                         \
        if (!(server))                                           \
            GTEST_SKIP() << "/usr/sbin/cupsd is not installed";  \
        ASSERT_TRUE((server)->Running()) << (server)->Problem(); \
    } while (0)
