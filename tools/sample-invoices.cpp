// sample-invoices [FOLDER]: writes a folder of made-up invoice PDFs for
// trying the merge without real invoices (which cannot ship with the
// project), and prints the folder's path. Without FOLDER a fresh temporary
// folder is made. A folder that already holds anything is refused, so no
// real file is ever overwritten.
#include "fixtures/invoice_fixtures.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using vellumark::fixtures::FixturePage;
using vellumark::fixtures::ShortPage;
using vellumark::fixtures::TallPage;

bool IsEmptyFolder(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    bool empty = true;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            empty = false;
    }
    closedir(dir);
    return empty;
}

std::string MakeFolder(const char* given) {
    if (given == nullptr) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/发票样例-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        return mkdtemp(buffer.data()) != nullptr ? std::string(buffer.data()) : std::string();
    }
    const std::string folder = given;
    if (mkdir(folder.c_str(), 0755) != 0 && !IsEmptyFolder(folder))
        return {};
    return folder;
}

bool CopyBytes(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << bytes.str();
    return static_cast<bool>(in) && static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fputs("用法：sample-invoices [文件夹]\n", stderr);
        return 2;
    }
    const std::string folder = MakeFolder(argc == 2 ? argv[1] : nullptr);
    if (folder.empty()) {
        std::fprintf(stderr, "sample-invoices: 无法创建空文件夹：%s\n", argc == 2 ? argv[1] : "");
        return 1;
    }
    FixturePage sealed = ShortPage("3");
    sealed.sealInSignature = true;
    FixturePage stamped = ShortPage("4");
    stamped.sealAsStamp = true;
    const std::string at = folder + "/";
    bool ok = vellumark::fixtures::WriteInvoicePdf(at + "出租车电子发票1.pdf", ShortPage("1")) &&
              vellumark::fixtures::WriteInvoicePdf(at + "餐饮电子发票2.pdf", ShortPage("2")) &&
              vellumark::fixtures::WriteInvoicePdf(at + "住宿电子发票3.pdf", sealed) &&
              vellumark::fixtures::WriteInvoicePdf(at + "办公用品电子发票4.pdf", stamped) &&
              vellumark::fixtures::WriteInvoicePdf(at + "行程单5.pdf", TallPage("5")) &&
              vellumark::fixtures::WriteInvoicePdf(at + "三张发票合并下载.pdf",
                                                   {ShortPage("6"), ShortPage("7"), TallPage("8")});
    // The same invoice downloaded twice: `list` marks the pair.
    ok = ok && CopyBytes(at + "出租车电子发票1.pdf", at + "出租车电子发票1 (1).pdf");
    if (!ok) {
        std::fprintf(stderr, "sample-invoices: 写入失败：%s\n", folder.c_str());
        return 1;
    }
    std::printf("%s\n", folder.c_str());
    return 0;
}
