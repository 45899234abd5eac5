#include "printing/print_form.h"

#include <optional>

namespace vellumark {
namespace {

// A plain decimal whole number (blanks around it allowed): no sign, no
// fraction, no trailing letters, and small enough to mean something.
std::optional<long long> WholeNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 12)
        return std::nullopt;
    long long value = 0;
    for (const QChar c : trimmed) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// The refusal of one page number, or empty when it lies in 1..pageCount.
QString PageRefusal(const QString& text, int pageCount) {
    const std::optional<long long> page = WholeNumber(text);
    if (!page)
        return QStringLiteral("页码“%1”不是整数！").arg(text);
    if (*page < 1 || *page > pageCount)
        return QStringLiteral("页码“%1”超出范围：合并后的文件共 %2 页！")
            .arg(text, QString::number(pageCount));
    return {};
}

QString CopiesRefusal(const QString& text) {
    if (text.trimmed().isEmpty())
        return QStringLiteral("打印份数未填写！");
    const std::optional<long long> copies = WholeNumber(text);
    if (!copies || *copies < kMinCopies || *copies > kMaxCopies)
        return QStringLiteral("打印份数“%1”无效，应为 %2 到 %3 之间的整数！")
            .arg(text, QString::number(kMinCopies), QString::number(kMaxCopies));
    return {};
}

QString PrinterRefusal(const PrintForm& form) {
    if (form.printerCount == 0 && !form.printersProblem.isEmpty())
        return QStringLiteral("无法列出打印机：") + form.printersProblem;
    if (form.printerCount == 0)
        return QStringLiteral("没有可用的打印机！");
    if (!form.printerChosen)
        return QStringLiteral("请选择打印机！");
    return {};
}

// The pages to print, or why there are none.
CheckedForm CheckPages(const PrintForm& form) {
    CheckedForm checked;
    QString from = form.fromText;
    QString to = form.toText;
    if (form.currentPageChosen) {
        if (form.currentPageText.isEmpty()) {
            checked.refusal = QStringLiteral("当前页未填写！");
            return checked;
        }
        from = to = form.currentPageText;
    } else if (from.trimmed().isEmpty() || to.trimmed().isEmpty()) {
        checked.refusal = QStringLiteral("页码未填写！");
        return checked;
    }
    for (const QString& page : {from, to}) {
        checked.refusal = PageRefusal(page, form.pageCount);
        if (!checked.refusal.isEmpty())
            return checked;
    }
    checked.firstPage = static_cast<int>(*WholeNumber(from));
    checked.lastPage = static_cast<int>(*WholeNumber(to));
    if (checked.firstPage > checked.lastPage)
        checked.refusal =
            QStringLiteral("起始页码 %1 大于结束页码 %2！")
                .arg(QString::number(checked.firstPage), QString::number(checked.lastPage));
    return checked;
}

}  // namespace

CheckedForm CheckPrintForm(const PrintForm& form) {
    // Pages typed against a file that could not be read would be refused
    // for the wrong reason.
    if (!form.pagesProblem.isEmpty())
        return {QStringLiteral("无法读取合并后的文件：") + form.pagesProblem};
    CheckedForm checked = CheckPages(form);
    if (checked.refusal.isEmpty())
        checked.refusal = CopiesRefusal(form.copiesText);
    if (checked.refusal.isEmpty())
        checked.refusal = PrinterRefusal(form);
    if (checked.refusal.isEmpty())
        checked.copies = static_cast<int>(*WholeNumber(form.copiesText));
    return checked;
}

}  // namespace vellumark
