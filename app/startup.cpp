#include "app/startup.h"

#include "app/main_window.h"
#include "core/run_log.h"
#include "engine/window_helpers.h"

#include <QApplication>
#include <QStyleFactory>

namespace vellumark {

void MainWindowCreated(ProgramState& state, MainWindow& window) {
    // The themed skin and the Chinese UI face apply to every window,
    // existing and later ones.
    if (auto* fusion = QStyleFactory::create("Fusion"))
        QApplication::setStyle(fusion);
    QApplication::setFont(UiFont(12));
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
    // The program takes no arguments: Qt sees only the program name, so
    // options such as -style cannot change it either.
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    QApplication::setApplicationName(QStringLiteral("vellumark"));
    StartRunLog("vellumark", false);
    QApplication application(qtArgc, qtArgv);
    auto state = CreateProgramState(ProgramDirectory());
    int code = 0;
    {
        MainWindow window(*state);
        MainWindowCreated(*state, window);
        window.show();
        code = QApplication::exec();
    }
    ExitCleanup(state);
    StopRunLog();
    return code;
}

}  // namespace vellumark
