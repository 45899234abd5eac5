// The print-options dialog ("打印设置").
#pragma once

#include <QDialog>

namespace vellumark {

struct ProgramState;

class PrintOptionsWindow : public QDialog {
    Q_OBJECT
public:
    explicit PrintOptionsWindow(ProgramState& state, QWidget* parent = nullptr);

private:
    ProgramState& state_;
};

}  // namespace vellumark
