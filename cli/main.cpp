// vellumark-cli: the window program's intake and merge from a terminal.
#include "cli_arguments.h"
#include "commands.h"
#include "core/run_log.h"
#include "program_setup.h"

#include <QGuiApplication>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace vellumark::cli;
    // The words stay the shell's bytes; Qt never sees them, so it can neither
    // reinterpret a path nor take one of them as its own option.
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParseResult parsed = ParseArguments(words);
    if (!parsed.arguments) {
        ErrorLine(parsed.error);
        return kExitBadArguments;
    }
    if (parsed.arguments->command == Command::kHelp) {
        Print(UsageText());
        return kExitSuccess;
    }
    UseOffscreenPlatformUnlessChosen();
    // The log takes Qt's messages from the start: none reaches the terminal
    // unless asked for.
    QGuiApplication::setApplicationName(QStringLiteral("vellumark"));
    vellumark::StartRunLog("vellumark-cli", parsed.arguments->verbose);
    int qtArgc = 1;
    char programName[] = "vellumark-cli";
    char* qtArgv[] = {programName, nullptr};
    QGuiApplication application(qtArgc, qtArgv);
    const Command command = parsed.arguments->command;
    const int code = command == Command::kList     ? RunList(*parsed.arguments)
                     : command == Command::kLedger ? RunLedger(*parsed.arguments)
                                                   : RunMerge(*parsed.arguments);
    vellumark::StopRunLog();
    return code;
}
