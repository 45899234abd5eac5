// What the three range choices of the print window do to its three page boxes.
#pragma once

#include <QString>

namespace vellumark {

struct RangeBoxes {
    QString fromText;
    QString toText;
    QString currentText;
    bool fromEnabled = false;
    bool toEnabled = false;
    bool currentEnabled = false;
};

// "全部": the whole file, nothing to type.
RangeBoxes AllPagesChosen(int mergedPageCount);
// "当前页": one page, typed into the current-page box.
RangeBoxes CurrentPageChosen();
// "页  码": a range, starting as the whole file.
RangeBoxes PageRangeChosen(int mergedPageCount);

}  // namespace vellumark
