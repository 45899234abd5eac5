#include "merge_handler.h"

namespace vellumark {

void StartMerge(ProgramState&, MainWindow&) {}

}  // namespace vellumark
