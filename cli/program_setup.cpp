#include "program_setup.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace vellumark::cli {

void UseOffscreenPlatformUnlessChosen() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen == nullptr || *chosen == '\0')
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

std::unique_ptr<ProgramState> CreateBatchState(std::string& error) {
    auto state = CreateProgramState(ProgramDirectory());
    if (!state->pdfLibrary.HasObject()) {
        error = "无法加载PDF库模块（程序目录：" + state->programDirectory + "）";
        return nullptr;
    }
    SetUpRenderer(*state);
    return state;
}

FolderLocks WaitForFolders(const std::vector<std::string>& folders) {
    FolderLocks locks = FolderLocks::TryLock(folders);
    if (locks.Held())
        return locks;
    const std::string line =
        std::string("vellumark-cli: ") + kFolderBusyText + "（等待中，按 Ctrl-C 可停止）\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    const std::atomic<bool> never{false};
    return FolderLocks::WaitUntilFree(folders, never);
}

}  // namespace vellumark::cli
