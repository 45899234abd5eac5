// The main() of test programs that drive windows. Tests answer the modal
// dialogs they open from queued calls; when a test misses its dialog, the
// dialog's own event loop would wait until the ctest timeout. A watchdog
// fails the running test instead, names the dialog, and closes it so the
// remaining tests still run.
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A dialog nobody answers within this time was missed by its test; tests
// answer theirs within milliseconds, sanitizers included.
constexpr int kUnansweredMs = 15000;
constexpr int kLookEveryMs = 100;

class ModalWatchdog {
public:
    ModalWatchdog() {
        timer_.setInterval(kLookEveryMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start();
    }

private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != watched_) {
            watched_ = modal;
            openFor_ = 0;
            return;
        }
        if (!modal || (openFor_ += kLookEveryMs) < kUnansweredMs)
            return;
        ADD_FAILURE() << "the modal window \"" << modal->windowTitle().toStdString()
                      << "\" was left open for " << kUnansweredMs / 1000
                      << " s: the test never answered it";
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        watched_ = nullptr;
        openFor_ = 0;
    }

    QTimer timer_;
    QPointer<QWidget> watched_;
    int openFor_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    // The window's tests keep a ledger of printed invoices of their own, not
    // the user's; a test that looks at the ledger names its own.
    const std::string ledger = "/tmp/vellumark-test-ledger-" + std::to_string(getpid()) + ".sqlite";
    setenv("VELLUMARK_LEDGER", ledger.c_str(), 0);
    // The application must go after the tests and before the exit handlers.
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ModalWatchdog watchdog;
    const int result = RUN_ALL_TESTS();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        std::remove((ledger + suffix).c_str());
    return result;
}
