#include "app/startup.h"

#include "app/main_window.h"
#include "core/run_log.h"
#include "engine/window_helpers.h"
#include "intake/folder_ops.h"
#include "resources/program_icon.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QStyleFactory>

namespace vellumark {

void MainWindowCreated(ProgramState& state, MainWindow& window) {
    // The themed skin and the Chinese UI face apply to every window,
    // existing and later ones.
    if (auto* fusion = QStyleFactory::create("Fusion"))
        QApplication::setStyle(fusion);
    QApplication::setFont(UiFont(12));
    QIcon icon;
    for (const int size : {16, 32, 48, 256})
        icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
    QApplication::setWindowIcon(icon);
    SetUpRenderer(state);
    window.EnterStartState();
    // Child controls do not take drops, so a drop anywhere on the window
    // reaches the window itself.
    window.setAcceptDrops(true);
}

void ExitCleanup(std::unique_ptr<ProgramState>& state) {
    state.reset();
}

int ProgramStart(int argc, char** argv) {
    // Qt sees only the program name, so options such as -style cannot change
    // the program. Its one argument, from a file manager's "open with", is a
    // folder, taken in as if it were dropped on the window.
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    QApplication::setApplicationName(QStringLiteral("vellumark"));
    // Ties the window to its menu entry, whose icon and name the desktop shows.
    QGuiApplication::setDesktopFileName(QStringLiteral("vellumark"));
    StartRunLog("vellumark", false);
    QApplication application(qtArgc, qtArgv);
    auto state = CreateProgramState(ProgramDirectory());
    int code = 0;
    {
        MainWindow window(*state);
        MainWindowCreated(*state, window);
        window.show();
        if (argc > 1 && IsDirectory(argv[1]))
            window.FilesDropped(argv[1]);
        code = QApplication::exec();
    }
    ExitCleanup(state);
    StopRunLog();
    return code;
}

}  // namespace vellumark
