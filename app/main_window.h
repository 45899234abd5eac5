// The program's main window.
#pragma once

#include <QWidget>

namespace vellumark {

struct ProgramState;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(ProgramState& state, QWidget* parent = nullptr);

    // Usage notes shown, busy animation and layout panel hidden, first
    // layout choice checked.
    void EnterStartState();

private:
    ProgramState& state_;
};

}  // namespace vellumark
