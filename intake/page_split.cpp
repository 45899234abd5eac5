#include "page_split.h"

#include "folder_ops.h"

#include <vector>

namespace vellumark {

std::string PageFilePath(const std::string& targetFolder, const std::string& name, int page) {
    return targetFolder + "/" + name + "(第" + std::to_string(page) + "页).pdf";
}

bool SplitIntoPages(PdfLibrary& pdf, const std::string& source, const std::string& targetFolder,
                    const std::string& name, int pageCount) {
    if (pageCount < 2)
        return false;
    std::vector<std::string> targets;
    for (int page = 1; page <= pageCount; ++page) {
        targets.push_back(PageFilePath(targetFolder, name, page));
        // A taken name belongs to someone else: neither overwrite it nor
        // leave a half-split source behind.
        if (EntryExists(targets.back()))
            return false;
    }
    std::vector<std::string> written;
    bool complete = true;
    for (int page = 1; page <= pageCount && complete; ++page) {
        const std::string& target = targets[page - 1];
        const bool extracted = pdf.ExtractFilePages(source, "", target, std::to_string(page)) != 0;
        // Every name was free a moment ago, so whatever stands there now was
        // written here, even by an extraction that reported failure.
        if (extracted || EntryExists(target))
            written.push_back(target);
        // The library checks its own output; reading it back here as well
        // costs one load and is what allows deleting the source.
        complete = extracted && pdf.LoadFromFile(target, "") != 0 && pdf.PageCount() == 1;
    }
    if (complete && RemoveFile(source))
        return true;
    for (const auto& target : written)
        RemoveFile(target);
    return false;
}

}  // namespace vellumark
