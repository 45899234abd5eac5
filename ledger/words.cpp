#include "ledger/ledger.h"

#include <QDateTime>
#include <QFile>

namespace vellumark::ledger {

std::string MergedAtText(std::int64_t mergedAt) {
    return QDateTime::fromSecsSinceEpoch(mergedAt)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm"))
        .toStdString();
}

std::string PrintedBeforeText(const LedgerRecord& record) {
    const QString when = QString::fromStdString(MergedAtText(record.mergedAt));
    const QString file = QFile::decodeName(QByteArray::fromStdString(record.invoice.fileName));
    return QStringLiteral("已于 %1 合并打印（文件 %2，用户 %3）")
        .arg(when, file, QString::fromStdString(record.user))
        .toStdString();
}

}  // namespace vellumark::ledger
