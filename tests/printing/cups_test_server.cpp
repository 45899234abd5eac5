#include "cups_test_server.h"

#include <cups/cups.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace vellumark::testing {
namespace {

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

int Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

std::string AttributeText(ipp_attribute_t* attribute) {
    char buffer[1024];
    ippAttributeString(attribute, buffer, sizeof buffer);
    return buffer;
}

}  // namespace

CupsTestServer* StartSuiteServer(const std::vector<std::string>& queues) {
    return CupsTestServer::Available() ? new CupsTestServer(queues) : nullptr;
}

void StopSuiteServer(CupsTestServer*& server) {
    delete server;
    server = nullptr;
}

bool CupsTestServer::Available() {
    return access("/usr/sbin/cupsd", X_OK) == 0;
}

CupsTestServer::CupsTestServer(const std::vector<std::string>& queues) {
    char pattern[] = "/tmp/vellumark-cups-XXXXXX";
    if (!mkdtemp(pattern)) {
        problem_ = "no temporary folder";
        return;
    }
    folder_ = pattern;
    // cupsd works as user lp, which must reach the spool and the logs.
    chmod(folder_.c_str(), 0755);
    for (const char* sub : {"/conf", "/spool", "/spool/tmp", "/cache", "/state", "/logs"}) {
        mkdir((folder_ + sub).c_str(), 0777);
        chmod((folder_ + sub).c_str(), 0777);
    }
    const int port = FreePort();
    server_ = "127.0.0.1:" + std::to_string(port);
    Write(folder_ + "/conf/cupsd.conf",
          "Listen " + server_ +
              "\nServerName 127.0.0.1\nLogLevel warn\n"
              "DefaultAuthType None\nPreserveJobFiles Yes\nPreserveJobHistory Yes\n"
              "Browsing Off\nWebInterface No\nMaxJobs 0\n"
              "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
              "<Policy default>\n<Limit All>\nOrder allow,deny\nAllow all\n</Limit>\n</Policy>\n");
    Write(folder_ + "/conf/cups-files.conf",
          "User lp\nGroup lp\nSystemGroup root\nServerRoot " + folder_ + "/conf\nRequestRoot " +
              folder_ + "/spool\nCacheDir " + folder_ + "/cache\nStateDir " + folder_ +
              "/state\nTempDir " + folder_ +
              "/spool/tmp\nServerBin /usr/lib/cups\n"
              "DataDir /usr/share/cups\nFileDevice Yes\nErrorLog " +
              folder_ + "/logs/error_log\nAccessLog " + folder_ + "/logs/access_log\nPageLog " +
              folder_ + "/logs/page_log\n");

    const std::string conf = folder_ + "/conf/cupsd.conf";
    const std::string files = folder_ + "/conf/cups-files.conf";
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    pid_ = pid;
    // libcups reads the variable once; reset its cached server as well.
    setenv("CUPS_SERVER", server_.c_str(), 1);
    cupsSetServer(nullptr);

    bool up = false;
    for (int i = 0; i < 100 && !up; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        http_t* http = httpConnect2("127.0.0.1", port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1,
                                    200, nullptr);
        up = http != nullptr;
        httpClose(http);
    }
    if (!up) {
        problem_ = "cupsd did not start (see " + folder_ + "/logs/error_log)";
        return;
    }
    const std::string env = "CUPS_SERVER=" + server_ + " ";
    for (const std::string& queue : queues)
        if (Run(env + "/usr/sbin/lpadmin -p '" + queue + "' -E -v file:///dev/null -m raw") != 0)
            problem_ = "lpadmin could not add " + queue;
    if (!queues.empty())
        Run(env + "/usr/sbin/lpadmin -d '" + queues.back() + "'");
}

CupsTestServer::~CupsTestServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 50 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (waitpid(pid_, &status, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
    }
    if (!folder_.empty())
        Run("rm -rf '" + folder_ + "'");
}

bool CupsTestServer::Reject(const std::string& queue) const {
    return Run("CUPS_SERVER=" + server_ + " /usr/sbin/cupsreject '" + queue + "'") == 0;
}

std::vector<int> CupsTestServer::JobIds() const {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    std::vector<int> ids;
    for (int i = 0; i < count; ++i)
        ids.push_back(jobs[i].id);
    cupsFreeJobs(count, jobs);
    std::sort(ids.begin(), ids.end());
    return ids;
}

SpooledJob CupsTestServer::Job(int id) const {
    SpooledJob job;
    job.id = id;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://" + server_ + "/jobs/" + std::to_string(id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "all");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response))
        if (ippGetName(a) && ippGetGroupTag(a) == IPP_TAG_JOB)
            job.attributes[ippGetName(a)] = AttributeText(a);
    ippDelete(response);
    char name[32];
    std::snprintf(name, sizeof name, "/spool/d%05d-001", id);
    job.documentPath = folder_ + name;
    return job;
}

int PdfPageCount(const std::string& path) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        return static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
    } catch (...) {
        return -1;
    }
}

}  // namespace vellumark::testing
