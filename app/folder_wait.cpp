// Waiting for folders that another program (the command, or a second
// window) is working on. The wait sleeps in the kernel on a thread of its
// own, so the window never polls and never blocks; a new request, a close
// or Esc stop it at once, and the abandoned thread lets go of whatever it
// gets as soon as it gets it.
#include "app/main_window.h"
#include "core/program_state.h"
#include "intake/folder_ops.h"

#include <QLabel>

#include <mutex>
#include <thread>
#include <utility>

namespace vellumark {

struct MainWindow::FolderWait {
    std::mutex mutex;  // the window stops the wait or the wait calls it back, not both
    std::atomic<bool> cancelled{false};
};

std::vector<std::string> MainWindow::FoldersOfRun(const std::string& sourceFolder) const {
    std::vector<std::string> folders = state_.WorkFolders();
    if (IsDirectory(sourceFolder))
        folders.insert(folders.begin(), sourceFolder);
    return folders;
}

void MainWindow::WhenFoldersFree(std::vector<std::string> folders, LockedWork work) {
    const QString statusBefore = folderWait_ ? statusBeforeWait_ : statusLabel_->text();
    StopWaitingForFolders();
    FolderLocks locks = FolderLocks::TryLock(folders);
    if (locks.Held()) {
        work(locks);
        return;
    }
    statusBeforeWait_ = statusBefore;
    statusLabel_->setText(QString::fromUtf8(kFolderBusyText));
    auto wait = std::make_shared<FolderWait>();
    folderWait_ = wait;
    waitingWork_ = std::move(work);
    std::thread([this, wait, folders = std::move(folders)] {
        auto freed =
            std::make_shared<FolderLocks>(FolderLocks::WaitUntilFree(folders, wait->cancelled));
        const std::lock_guard guard(wait->mutex);
        if (wait->cancelled)
            return;
        QMetaObject::invokeMethod(
            this, [this, wait, freed] { FoldersFreed(wait, *freed); }, Qt::QueuedConnection);
    }).detach();
}

void MainWindow::FoldersFreed(const std::shared_ptr<FolderWait>& wait, FolderLocks& locks) {
    if (wait != folderWait_)
        return;  // replaced or stopped since; the locks go with this call
    folderWait_ = nullptr;
    statusLabel_->setText(statusBeforeWait_);
    LockedWork work = std::exchange(waitingWork_, nullptr);
    if (work)
        work(locks);
}

void MainWindow::StopWaitingForFolders() {
    if (!folderWait_)
        return;
    {
        const std::lock_guard guard(folderWait_->mutex);
        folderWait_->cancelled = true;
    }
    folderWait_ = nullptr;
    waitingWork_ = nullptr;
    statusLabel_->setText(statusBeforeWait_);
}

}  // namespace vellumark
