// bench_window [invoices=100]: how long the main window goes without
// handling its events while it takes in a folder and merges it. A timer asks
// to run every 5 ms; the longest gap between its runs during the intake and
// during the merge is printed (the target is at most 50 ms). Runs headless
// with Qt's offscreen platform; asserts nothing. With VELLUMARK_SCREENSHOT_DIR
// set, the window is saved there as it looks after the intake and during
// the merge, for looking at.
#include "app/main_window.h"
#include "app/print_options_window.h"
#include "app/startup.h"
#include "engine/message_box.h"
#include "fixtures/invoice_fixtures.h"
#include "test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace vellumark;

namespace {

std::vector<std::string> CorpusInvoices() {
    return vellumark::testing::CorpusPdfs("invoices");
}

// The longest time between two runs of a timer that asks for every 5 ms.
class GapMeter {
public:
    GapMeter() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, clock_.restart()); });
    }
    void Start() {
        longest_ = 0;
        clock_.start();
        timer_.start();
    }
    qint64 Stop() {
        timer_.stop();
        return std::max(longest_, clock_.elapsed());
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

void RunUntil(const std::function<bool()>& done) {
    while (!done())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void Screenshot(QWidget& window, const char* name) {
    if (const char* folder = std::getenv("VELLUMARK_SCREENSHOT_DIR"))
        window.grab().save(QString::fromLocal8Bit(folder) + "/" + name);
}

// The window with the list's right-click menu open over it, as a person
// sees the two together.
void MenuScreenshot(MainWindow& window, const char* name) {
    const char* folder = std::getenv("VELLUMARK_SCREENSHOT_DIR");
    if (!folder)
        return;
    QWidget* list = window.InvoiceList();
    const QPoint at = list->mapTo(&window, QPoint(120, 90));
    window.ListMenu()->popup(window.mapToGlobal(at));
    QApplication::processEvents();
    QPixmap shot = window.grab();
    QPainter painter(&shot);
    painter.drawPixmap(window.mapFromGlobal(window.ListMenu()->pos()), window.ListMenu()->grab());
    painter.end();
    window.ListMenu()->hide();
    shot.save(QString::fromLocal8Bit(folder) + "/" + name);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const std::vector<std::string> corpus = CorpusInvoices();
    const fs::path work =
        fs::temp_directory_path() / ("vellumark-bench-window-" + std::to_string(getpid()));
    const fs::path program = work / "program", folder = work / "invoices";
    fs::create_directories(program);
    fs::create_directories(folder);
    fs::copy_file(VELLUMARK_BINARY_DIR "/VPL1811PDFium32.dll", program / "VPL1811PDFium32.dll");
    for (int i = 0; i < count && !corpus.empty(); ++i)
        fs::copy_file(corpus[i % corpus.size()],
                      folder / (std::to_string(i) + "_" +
                                fs::path(corpus[i % corpus.size()]).filename().string()));
    // And one long download to split.
    fixtures::WriteInvoicePdf((folder / "long.pdf").string(),
                              std::vector<fixtures::FixturePage>(200, fixtures::ShortPage()));

    SetMessageBoxHook([](const QString&, const QString&, QMessageBox::Icon) {
        QTimer::singleShot(0, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<PrintOptionsWindow*>(widget))
                    dialog->reject();
            }
        });
    });
    auto state = CreateProgramState(program.string());
    {
        MainWindow window(*state);
        MainWindowCreated(*state, window);
        window.show();
        GapMeter meter;

        meter.Start();
        window.FilesDropped(folder.string());
        RunUntil([&] { return !window.Working(); });
        const qint64 intake = meter.Stop();
        Screenshot(window, "window_listed.png");
        MenuScreenshot(window, "window_list_menu.png");
        std::printf("intake of %d invoices and a 200-page file: %d rows, longest gap %lld ms\n",
                    count, window.Rows().rowCount(), static_cast<long long>(intake));

        meter.Start();
        window.MergeButton()->click();
        QElapsedTimer shown;
        shown.start();
        RunUntil([&] { return shown.elapsed() > 800 || !window.Working(); });
        Screenshot(window, "window_merging.png");
        RunUntil([&] { return !window.Working(); });
        const qint64 merge = meter.Stop();
        std::printf("merge: longest gap %lld ms (target <= 50)\n", static_cast<long long>(merge));
        RunUntil([&] { return !window.Busy(); });
    }
    ExitCleanup(state);
    fs::remove_all(work);
    return 0;
}
