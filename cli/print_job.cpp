#include "print_job.h"

#include "commands.h"

namespace vellumark::cli {

int PrintMerged(ProgramState&, const std::string&, const PrintRequest&) {
    ErrorLine("打印功能尚不可用");
    return kExitFailed;
}

}  // namespace vellumark::cli
