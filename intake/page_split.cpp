#include "intake/page_split.h"

#include "intake/folder_ops.h"

#include <cerrno>
#include <vector>

namespace vellumark {
namespace {

// The page files present before this split, proven to be the source's pages.
struct Found {
    std::vector<std::string> ownPages;
    std::vector<char> present;
    FileProblem conflict;
};

Found FindEarlierPages(PdfLibrary& pdf, const std::string& source,
                       const std::vector<std::string>& targets) {
    Found found;
    found.present.assign(targets.size(), 0);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (!EntryExists(targets[i]))
            continue;
        if (pdf.ComparePageFile(source, "", static_cast<int>(i) + 1, targets[i]) != 1) {
            // Someone else's file: never overwritten, never removed.
            found.conflict = {source,
                              "第" + std::to_string(i + 1) + "页的文件名已被另一个文件占用"};
            return found;
        }
        found.present[i] = 1;
        found.ownPages.push_back(targets[i]);
    }
    return found;
}

void RemoveAll(const std::vector<std::string>& paths) {
    for (const auto& path : paths)
        RemoveFile(path);
}

}  // namespace

std::string PageFilePath(const std::string& targetFolder, const std::string& name, int page) {
    return targetFolder + "/" + name + "(第" + std::to_string(page) + "页).pdf";
}

SplitOutcome SplitIntoPages(PdfLibrary& pdf, const std::string& source,
                            const std::string& targetFolder, const std::string& name, int pageCount,
                            const SplitProgress& progress) {
    SplitOutcome outcome;
    if (pageCount < 2)
        return outcome;
    std::vector<std::string> targets;
    for (int page = 1; page <= pageCount; ++page)
        targets.push_back(PageFilePath(targetFolder, name, page));

    Found found = FindEarlierPages(pdf, source, targets);
    // Pages of this source besides a source kept whole would be printed twice.
    std::vector<std::string> ours = found.ownPages;
    if (!found.conflict.path.empty()) {
        RemoveAll(ours);
        outcome.problem = found.conflict;
        return outcome;
    }
    for (int page = 1; page <= pageCount; ++page) {
        const std::string& target = targets[page - 1];
        if (!found.present[page - 1]) {
            if (pdf.ExtractFilePages(source, "", target, std::to_string(page)) == 0) {
                outcome.problem = {source, ProblemText(pdf.LastError())};
                RemoveAll(ours);
                return outcome;
            }
            // Created exclusively under this name, so it is ours to remove.
            ours.push_back(target);
        }
        if (progress && !progress(page, pageCount)) {
            RemoveAll(ours);
            outcome.stopped = true;
            return outcome;
        }
    }
    if (!RemoveFile(source)) {
        outcome.problem = {source,
                           ProblemText({"RemoveFile", source, pdfax::ProblemOfErrno(errno), {}})};
        RemoveAll(ours);
        return outcome;
    }
    outcome.split = true;
    outcome.resumed = !found.ownPages.empty();
    return outcome;
}

}  // namespace vellumark
