#include "ofd_rows.h"

#include "intake/invoice_intake.h"

#include <ofd/ofd.h>

#include <QFile>
#include <QLoggingCategory>

#include <variant>

namespace vellumark {
namespace {

Q_LOGGING_CATEGORY(lcOfdIntake, "vellumark.intake")

QString ShownName(const std::string& path) {
    const auto slash = path.rfind('/');
    return QFile::decodeName(
        QByteArray::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1)));
}

void InsertUnreadable(InvoiceRows& rows, const std::string& path, const ofd::Error& error,
                      std::vector<FileProblem>* unreadable) {
    qCWarning(lcOfdIntake).noquote() << ShownName(path) << QString::fromStdString(error.words)
                                     << QString::fromStdString(error.detail);
    rows.InsertRowAtTop();
    rows.SetCell(0, kColumnName, OfdRowName(path, 1, 1));
    rows.SetPath(0, path);
    rows.SetPage(0, InvoiceFormat::kOfd, 1);
    rows.SetCell(0, kColumnProgress, QString::fromUtf8(kUnreadableText));
    rows.SetNote(0, QString::fromStdString(error.words));
    if (unreadable)
        unreadable->push_back({path, error.words});
}

}  // namespace

bool IsOfdPath(const std::string& path) {
    constexpr std::size_t kLength = 4;
    if (path.size() < kLength || path.compare(path.size() - kLength, 1, ".") != 0)
        return false;
    const QString extension = QString::fromLatin1(path.data() + path.size() - 3, 3);
    return extension.compare(QStringLiteral("ofd"), Qt::CaseInsensitive) == 0;
}

QString OfdRowName(const std::string& path, int page, int pages) {
    const QString name = ShownName(path);
    return pages > 1 ? name + QStringLiteral("(第%1页)").arg(page) : name;
}

void InsertOfdRows(InvoiceRows& rows, const std::string& path,
                   std::vector<FileProblem>* unreadable) {
    // Only the package's structure is read here; no page is converted.
    const auto opened = ofd::OpenOfd(path);
    if (const auto* error = std::get_if<ofd::Error>(&opened)) {
        InsertUnreadable(rows, path, *error, unreadable);
        return;
    }
    const ofd::OfdDocument& document = std::get<ofd::OfdDocument>(opened);
    const int pages = document.PageCount();
    if (pages <= 0) {
        InsertUnreadable(rows, path, {"OFD文件没有页面", "no pages"}, unreadable);
        return;
    }
    for (int index = 0; index < pages; ++index) {
        const ofd::SizeMm size = document.PageSizeMm(index);
        rows.InsertRowAtTop();
        rows.SetCell(0, kColumnName, OfdRowName(path, index + 1, pages));
        rows.SetPath(0, path);
        rows.SetPage(0, InvoiceFormat::kOfd, index + 1);
        // A row is one page, as a split PDF's pages are.
        rows.SetPages(0, 1);
        rows.SetSize(0, static_cast<double>(IntegerPart(size.width)),
                     static_cast<double>(IntegerPart(size.height)));
        rows.SetCell(0, kColumnProgress, QStringLiteral("等待中"));
    }
}

}  // namespace vellumark
