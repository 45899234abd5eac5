#include "program_setup.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
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
    auto state = std::make_unique<ProgramState>();
    state->programDirectory = ProgramDirectory();
    state->pdfLibrary.Initialise(state->programDirectory);
    if (!state->pdfLibrary.HasObject()) {
        error = "无法加载PDF库模块（程序目录：" + state->programDirectory + "）";
        return nullptr;
    }
    // The same renderer set-up the window program makes once its window exists.
    state->pdfLibrary.SetPDFiumFileName(state->RendererFile());
    state->pdfLibrary.SelectRenderer(4);
    state->pdfLibrary.CreateRenderer();
    return state;
}

ProgramDirectoryLock::ProgramDirectoryLock(const std::string& programDirectory) {
    descriptor_ = open(programDirectory.empty() ? "/" : programDirectory.c_str(),
                       O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor_ < 0)
        return;
    while (flock(descriptor_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

ProgramDirectoryLock::~ProgramDirectoryLock() {
    if (descriptor_ >= 0)
        close(descriptor_);
}

}  // namespace vellumark::cli
