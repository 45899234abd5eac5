#include "startup.h"

#include "main_window.h"

#include <QApplication>
#include <QStyleFactory>

namespace vellumark {

std::unique_ptr<ProgramState> CreateProgramState(const std::string& programDirectory) {
    auto state = std::make_unique<ProgramState>();
    state->programDirectory = programDirectory;
    state->pdfLibrary.Initialise(programDirectory);
    state->foundFiles.clear();
    return state;
}

void MainWindowCreated(ProgramState& state, MainWindow& window) {
    // The themed skin applies to every window, existing and later ones.
    if (auto* fusion = QStyleFactory::create("Fusion")) QApplication::setStyle(fusion);
    state.pdfLibrary.SetPDFiumFileName(state.RendererFile());
    state.pdfLibrary.SelectRenderer(4);
    state.pdfLibrary.CreateRenderer();
    window.EnterStartState();
    window.setAcceptDrops(true);
}

void ExitCleanup(std::unique_ptr<ProgramState>& state) { state.reset(); }

int ProgramStart(int argc, char** argv) {
    QApplication application(argc, argv);
    auto state = CreateProgramState(ProgramDirectory());
    int code = 0;
    {
        MainWindow window(*state);
        window.show();
        MainWindowCreated(*state, window);
        code = QApplication::exec();
    }
    ExitCleanup(state);
    return code;
}

}  // namespace vellumark
