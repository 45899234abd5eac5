#include "main_window.h"

#include "program_state.h"

namespace vellumark {

MainWindow::MainWindow(ProgramState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setWindowTitle(QStringLiteral("Vellumark V3.0"));
    setFixedSize(557, 422);
}

void MainWindow::EnterStartState() {}

}  // namespace vellumark
