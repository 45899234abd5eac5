#include "cli_arguments.h"

#include <algorithm>
#include <cstddef>

namespace vellumark::cli {
namespace {

constexpr int kMaxCopies = 100;  // the print window's own limit

// A whole decimal number in [1, limit], or 0 when the text is anything else.
int PositiveNumber(const std::string& text, int limit) {
    if (text.empty() || text.size() > 9)
        return 0;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value <= limit ? value : 0;
}

bool ParsePages(const std::string& text, PrintChoice& print) {
    constexpr int kLimit = 1000000;
    const auto dash = text.find('-');
    const std::string first = text.substr(0, dash);
    const std::string last = dash == std::string::npos ? first : text.substr(dash + 1);
    print.firstPage = PositiveNumber(first, kLimit);
    print.lastPage = PositiveNumber(last, kLimit);
    return print.firstPage > 0 && print.lastPage >= print.firstPage;
}

struct Parser {
    Arguments arguments;
    std::string error;
    bool sawCopies = false;
    bool sawPages = false;
    std::string copiesText;
    std::string pagesText;

    bool Fail(std::string text) {
        error = std::move(text);
        return false;
    }

    bool TakesValue(const std::string& name) const {
        if (name == "--ledger")
            return true;
        if (arguments.command == Command::kList)
            return name == "--format";
        return name == "--layout" || name == "--output" || name == "--print" ||
               name == "--copies" || name == "--pages";
    }

    bool Option(const std::string& name, const std::string& value) {
        if (name == "--layout") {
            const auto& names = LayoutNames();
            if (std::find(names.begin(), names.end(), value) == names.end()) {
                return Fail("未知的版式：" + value +
                            "（可选：a4-two、a4-three、a4-four、a5-one、a4-two-same）");
            }
            arguments.layout = value;
        } else if (name == "--output") {
            if (value.empty())
                return Fail("--output 需要一个文件名");
            arguments.output = value;
        } else if (name == "--print") {
            if (value.empty())
                return Fail("--print 需要一个打印机名称");
            if (!arguments.print)
                arguments.print.emplace();
            arguments.print->printer = value;
        } else if (name == "--copies") {
            sawCopies = true;
            copiesText = value;
        } else if (name == "--pages") {
            sawPages = true;
            pagesText = value;
        } else if (name == "--ledger") {
            if (value.empty())
                return Fail("--ledger 需要台账文件或 postgresql:// 地址");
            arguments.ledger = value;
        } else if (name == "--format") {
            if (value == "table") {
                arguments.format = ListFormat::kTable;
            } else if (value == "csv") {
                arguments.format = ListFormat::kCsv;
            } else if (value == "json") {
                arguments.format = ListFormat::kJson;
            } else {
                return Fail("未知的输出格式：" + value + "（可选：table、csv、json）");
            }
        }
        return true;
    }

    bool Finish() {
        if (arguments.folder.empty())
            return Fail("缺少文件夹：请给出包含.pdf文件的文件夹");
        if ((sawCopies || sawPages) && !arguments.print) {
            return Fail("--copies 和 --pages 只能与 --print 一起使用");
        }
        if (sawCopies) {
            arguments.print->copies = PositiveNumber(copiesText, kMaxCopies);
            if (arguments.print->copies == 0) {
                return Fail("--copies 需要 1 到 100 之间的整数：" + copiesText);
            }
        }
        if (sawPages && !ParsePages(pagesText, *arguments.print)) {
            return Fail("--pages 需要“起始页-结束页”，例如 1-3：" + pagesText);
        }
        return true;
    }

    // "ledger ACTION ...": the options every command shares are taken here,
    // the rest by ParseLedgerRequest.
    bool RunLedger(const std::vector<std::string>& args) {
        arguments.command = Command::kLedger;
        std::vector<std::string> rest;
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& word = args[i];
            const std::string name = word.substr(0, word.find('='));
            if (word == "--help" || word == "-h") {
                arguments.command = Command::kHelp;
                return true;
            }
            if (word == "--verbose" || word == "-v") {
                arguments.verbose = true;
            } else if (name == "--ledger" || name == "--format") {
                std::string value;
                if (name.size() < word.size())
                    value = word.substr(name.size() + 1);
                else if (i + 1 < args.size())
                    value = args[++i];
                else
                    return Fail(name + " 缺少取值");
                if (!Option(name, value))
                    return false;
            } else {
                rest.push_back(word);
            }
        }
        return ParseLedgerRequest(rest, arguments, error);
    }

    bool Run(const std::vector<std::string>& args) {
        const std::string& command = args.front();
        if (command == "merge") {
            arguments.command = Command::kMerge;
        } else if (command == "list") {
            arguments.command = Command::kList;
        } else if (command == "ledger") {
            return RunLedger(args);
        } else if (command == "help" || command == "--help" || command == "-h") {
            arguments.command = Command::kHelp;
            return true;
        } else {
            return Fail("未知的命令：" + command + "（可选：merge、list、ledger）");
        }
        bool optionsEnded = false;
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& word = args[i];
            if (!optionsEnded && word == "--") {
                optionsEnded = true;
                continue;
            }
            if (optionsEnded || word.size() < 2 || word[0] != '-') {
                if (!arguments.folder.empty())
                    return Fail("多余的参数：" + word);
                if (word.empty())
                    return Fail("文件夹名称为空");
                arguments.folder = word;
                continue;
            }
            if (word == "--help" || word == "-h") {
                arguments.command = Command::kHelp;
                return true;
            }
            if (word == "--no-split" && arguments.command == Command::kMerge) {
                arguments.noSplit = true;
                continue;
            }
            if (word == "--verbose" || word == "-v") {
                arguments.verbose = true;
                continue;
            }
            if (word == "--skip-duplicates" && arguments.command == Command::kMerge) {
                arguments.skipDuplicates = true;
                continue;
            }
            if (word == "--skip-printed" && arguments.command == Command::kMerge) {
                arguments.skipPrinted = true;
                continue;
            }
            const auto equals = word.find('=');
            const std::string name = word.substr(0, equals);
            if (!TakesValue(name))
                return Fail("未知的选项：" + name);
            std::string value;
            if (equals != std::string::npos) {
                value = word.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return Fail(name + " 缺少取值");
            }
            if (!Option(name, value))
                return false;
        }
        return Finish();
    }
};

}  // namespace

const std::vector<std::string>& LayoutNames() {
    static const std::vector<std::string> names = {"a4-two", "a4-three", "a4-four", "a5-one",
                                                   "a4-two-same"};
    return names;
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    if (args.empty()) {
        result.error = "缺少命令：merge、list 或 ledger（--help 查看用法）";
        return result;
    }
    Parser parser;
    if (parser.Run(args)) {
        result.arguments = std::move(parser.arguments);
    } else {
        result.error = std::move(parser.error);
    }
    return result;
}

std::string UsageText() {
    return "用法：\n"
           "  vellumark-cli merge 文件夹 [--layout 版式] [--output 文件] [--no-split]\n"
           "                [--skip-duplicates] [--skip-printed]\n"
           "                [--print 打印机 [--copies 份数] [--pages 起始页-结束页]]\n"
           "  vellumark-cli list 文件夹 [--format table|csv|json]\n"
           "  vellumark-cli ledger list [--since 日期] [--until 日期] [--seller 销售方]\n"
           "                [--format table|csv|json]\n"
           "  vellumark-cli ledger forget 发票号码... | ledger forget --output 合并文件\n"
           "  vellumark-cli ledger where | ledger repair\n"
           "  每个命令都可加 --verbose：运行日志同时写到标准错误；\n"
           "  --ledger 台账文件或 postgresql:// 地址：使用这个台账\n"
           "\n"
           "merge  拆分文件夹中的多页PDF，按页高排序，合并为一个PDF"
           "（默认为程序目录中的“电子发票.pdf”）。\n"
           "       版式：a4-two（A4纸2张发票，默认）、a4-three（A4纸3张发票）、\n"
           "             a4-four（A4纸4张发票）、a5-one（A5纸1张发票）、\n"
           "             a4-two-same（A4纸2张同样发票）\n"
           "       --no-split  不拆分、不改动文件夹，每个文件只合并第1页\n"
           "       --skip-duplicates  同一张发票（发票号码相同或文件内容相同）只合并一次；\n"
           "                   不加此选项时，重复的发票照常合并，并在标准错误中写明\n"
           "       同一张发票既有PDF又有OFD时只合并PDF，OFD各页在标准错误中写明\n"
           "                   “同一张发票（另一种格式）”\n"
           "       --skip-printed  台账中已合并打印过的发票不再合并；不加此选项时照常合并，\n"
           "                   并在标准错误中写明何时合并过；每次保存合并文件后记入台账\n"
           "       --print     合并后按版式的纸张设置打印\n"
           "list   列出发票：序号、名称、页数、页高、页宽、类型、发票代码、发票号码、开票日期、\n"
           "       "
           "价税合计、销售方、购买方、重复（含另一种格式）与续页、路径，最后一行为发票张数与价税合"
           "计；\n"
           "       值后的“?”表示二维码与文字不一致。不改动文件夹。\n"
           "ledger 合并打印过的发票台账（默认为数据目录中的 ledger.sqlite；也可由环境变量\n"
           "       VELLUMARK_LEDGER 或设置文件 ~/.config/vellumark/vellumark.conf 的 ledger "
           "指定，\n"
           "       --ledger 优先，其次环境变量，再次设置文件；服务器密码请放在 ~/.pgpass 或 "
           "PGPASSWORD）\n"
           "       list    列出合并时间在 --since 当天起、--until 当天止的发票，--seller 按销售方\n"
           "               名称或税号筛选；最后一行为发票张数与价税合计\n"
           "       forget  从台账删除这些发票号码，或合并到 --output 文件的全部发票；\n"
           "               列出删除的发票，一张也没有时退出码为 1\n"
           "       where   台账的位置和发票张数\n"
           "       repair  将损坏的台账文件改名另存（NAME.damaged-时间）并新建台账\n"
           "\n"
           "另一个程序正在处理同一文件夹时，merge 会等待它完成。\n"
           "每次运行的日志（库的详细原因、渲染程序的退出状态与输出、各步用时）\n"
           "保存在 ~/.cache/vellumark/，保留最近 5 次。\n"
           "\n"
           "退出码：0 成功，每个PDF的每一页都已合并；\n"
           "        3 "
           "已保存，但有文件未能完整合并（无法读取，或多页文件未能拆分、只合并了第1页），\n"
           "          每个都在标准错误中写明文件和原因；\n"
           "        1 "
           "合并或打印失败（包括文件夹中没有.pdf文件、无法写入输出文件、无法加载PDF库模块）；\n"
           "        2 参数有误（包括文件夹不存在、--output 会覆盖文件夹中的发票）。\n";
}

}  // namespace vellumark::cli
