#include "program_setup.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace vellumark::cli {

void UseOffscreenPlatformUnlessChosen() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen == nullptr || *chosen == '\0')
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

void KeepQtMessagesOffTheTerminal() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtCriticalMsg && type != QtFatalMsg)
            return;
        const QByteArray line = "vellumark-cli: Qt: " + text.toUtf8() + "\n";
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    });
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
    constexpr useconds_t kRetryMicroseconds = 200000;
    bool told = false;
    for (;;) {
        FolderLocks locks = FolderLocks::TryLock(folders);
        if (locks.Held())
            return locks;
        if (!told) {
            const std::string line =
                std::string("vellumark-cli: ") + kFolderBusyText + "（等待中，按 Ctrl-C 可停止）\n";
            std::fwrite(line.data(), 1, line.size(), stderr);
            std::fflush(stderr);
            told = true;
        }
        usleep(kRetryMicroseconds);
    }
}

}  // namespace vellumark::cli
