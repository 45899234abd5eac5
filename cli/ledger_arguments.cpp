// The words of "vellumark-cli ledger": list, forget, where, repair.
#include "cli_arguments.h"

namespace vellumark::cli {
namespace {

// YYYY-MM-DD with a month and day that can be; the calendar's finer points
// are checked when the date is used.
bool IsDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (text[i] < '0' || text[i] > '9')
            return false;
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool Fail(std::string& error, std::string text) {
    error = std::move(text);
    return false;
}

bool ParseList(const std::vector<std::string>& words, LedgerRequest& request, std::string& error) {
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::string name = word.substr(0, word.find('='));
        if (name != "--since" && name != "--until" && name != "--seller")
            return Fail(
                error,
                (word.size() > 1 && word[0] == '-' ? "未知的选项：" : "多余的参数：") + name);
        std::string value;
        if (name.size() < word.size())
            value = word.substr(name.size() + 1);
        else if (i + 1 < words.size())
            value = words[++i];
        else
            return Fail(error, name + " 缺少取值");
        if (name == "--seller") {
            request.seller = value;
        } else if (!IsDate(value)) {
            return Fail(error, name + " 需要日期“年-月-日”，例如 2026-11-03：" + value);
        } else {
            (name == "--since" ? request.since : request.until) = value;
        }
    }
    return true;
}

bool ParseForget(const std::vector<std::string>& words, LedgerRequest& request,
                 std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (word == "--output" || word.rfind("--output=", 0) == 0)) {
            if (word.size() > 8)
                request.output = word.substr(9);
            else if (i + 1 < words.size())
                request.output = words[++i];
            if (!request.output || request.output->empty())
                return Fail(error, "--output 需要一个文件名");
        } else if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            return Fail(error, "未知的选项：" + word);
        } else if (word.empty()) {
            return Fail(error, "发票号码为空");
        } else {
            request.numbers.push_back(word);
        }
    }
    if (request.output && !request.numbers.empty())
        return Fail(error, "ledger forget 给出发票号码或 --output 文件，不能同时给出");
    if (!request.output && request.numbers.empty())
        return Fail(error, "ledger forget 需要发票号码，或 --output 合并文件");
    return true;
}

}  // namespace

bool ParseLedgerRequest(const std::vector<std::string>& words, Arguments& arguments,
                        std::string& error) {
    LedgerRequest& request = arguments.ledgerRequest;
    const std::string action = words.empty() ? "" : words.front();
    if (action == "list") {
        request.action = LedgerRequest::Action::kList;
        return ParseList(words, request, error);
    }
    if (action == "forget") {
        request.action = LedgerRequest::Action::kForget;
        return ParseForget(words, request, error);
    }
    if (action == "where" || action == "repair") {
        request.action =
            action == "where" ? LedgerRequest::Action::kWhere : LedgerRequest::Action::kRepair;
        return words.size() == 1 || Fail(error, "多余的参数：" + words[1]);
    }
    return Fail(error, action.empty()
                           ? "ledger 缺少操作（可选：list、forget、where、repair）"
                           : "未知的台账操作：" + action + "（可选：list、forget、where、repair）");
}

}  // namespace vellumark::cli
