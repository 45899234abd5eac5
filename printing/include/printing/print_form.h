// The print window's choices as the user typed them, checked before
// anything is sent: what cannot be printed as typed is refused with what is
// wrong, never changed into something that can.
#pragma once

#include <QString>

namespace vellumark {

// The copies the window takes, as its spin arrows offer them.
inline constexpr int kMinCopies = 1;
inline constexpr int kMaxCopies = 100;

struct PrintForm {
    bool currentPageChosen = false;  // "当前页": the page is currentPageText
    QString currentPageText;
    QString fromText;  // "全部" and "页  码": the range
    QString toText;
    QString copiesText;
    int pageCount = 0;     // pages of the merged file
    QString pagesProblem;  // why the merged file could not be read
    int printerCount = 0;
    bool printerChosen = false;
    QString printersProblem;  // why the printers could not be listed
};

struct CheckedForm {
    QString refusal;  // what is wrong, for the user; empty when it can be printed
    int copies = 0;
    int firstPage = 0;
    int lastPage = 0;
};

CheckedForm CheckPrintForm(const PrintForm& form);

}  // namespace vellumark
