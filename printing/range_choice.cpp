#include "printing/range_choice.h"

namespace vellumark {

RangeBoxes AllPagesChosen(int mergedPageCount) {
    RangeBoxes boxes;
    boxes.fromText = QStringLiteral("1");
    boxes.toText = QString::number(mergedPageCount);
    return boxes;
}

RangeBoxes CurrentPageChosen() {
    RangeBoxes boxes;
    boxes.currentEnabled = true;
    return boxes;
}

RangeBoxes PageRangeChosen(int mergedPageCount) {
    RangeBoxes boxes;
    boxes.fromText = QStringLiteral("1");
    boxes.toText = QString::number(mergedPageCount);
    boxes.fromEnabled = true;
    boxes.toEnabled = true;
    return boxes;
}

}  // namespace vellumark
