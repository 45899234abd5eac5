#include "print_options_window.h"

#include "program_state.h"

namespace vellumark {

PrintOptionsWindow::PrintOptionsWindow(ProgramState& state, QWidget* parent)
    : QDialog(parent), state_(state) {
    setWindowTitle(QStringLiteral("打印设置"));
    setFixedSize(276, 360);
}

}  // namespace vellumark
