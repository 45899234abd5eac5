#include "pdflib/problem_text.h"

namespace vellumark {

std::string ProblemText(const pdfax::CallError& error) {
    using pdfax::Problem;
    switch (error.problem) {
        case Problem::kNone:
            return {};
        case Problem::kMissing:
            return "文件不存在";
        case Problem::kNoAccess:
            return "没有读取权限";
        case Problem::kEmpty:
            return "文件是空的";
        case Problem::kNotPdf:
            return "不是PDF文件";
        case Problem::kNeedsPassword:
            return "需要密码才能打开";
        case Problem::kDamaged:
            return "文件已损坏";
        case Problem::kTooLarge:
            return "太大，无法处理";
        case Problem::kNameTaken:
            return "已有同名的文件或文件夹";
        case Problem::kNameTooLong:
            return "文件名太长";
        case Problem::kCannotWrite:
            return "无法在此处写入（只读或没有权限）";
        case Problem::kDiskFull:
            return "磁盘已满";
        case Problem::kIoError:
            return "读写出错";
        case Problem::kSpooler:
            return "打印服务拒绝了任务：" + error.detail;
        // The OFD reader names its own problem; only its words are shown.
        case Problem::kBadOfd:
            return error.detail.empty() ? "OFD文件无法读取"
                                        : error.detail.substr(0, error.detail.find('\n'));
        // The renderer's own words go to the log, never to the user.
        case Problem::kRendererCrashed:
            return "渲染程序崩溃";
        case Problem::kRendererTimedOut:
            return "渲染超时";
        case Problem::kNotRendered:
            return "没有渲染结果";
        case Problem::kFailed:
            break;
    }
    return "处理失败";
}

FileProblem ProblemOf(const pdfax::CallError& error, const std::string& fallbackPath) {
    return {error.path.empty() ? fallbackPath : error.path, ProblemText(error)};
}

bool IsWriteProblem(pdfax::Problem problem) {
    using pdfax::Problem;
    return problem == Problem::kDiskFull || problem == Problem::kCannotWrite ||
           problem == Problem::kIoError;
}

}  // namespace vellumark
