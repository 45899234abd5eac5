// What the window knows about the listed invoices beyond their pages: the
// rows that repeat an earlier row's invoice, and the listing's export.
#include "app/main_window.h"
#include "core/program_state.h"
#include "engine/folder_dialog.h"
#include "engine/message_box.h"
#include "intake/folder_ops.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTreeView>

namespace vellumark {
namespace {

// The tooltip of a row whose invoice an earlier row already holds, or, for
// an OFD page, the PDF of the same invoice that the merge places instead.
QString RepeatText(const ListedInvoice& row) {
    if (row.format == InvoiceFormat::kOfd && row.otherFormatOf > 0)
        return QStringLiteral("与第 %1 行是同一张发票（另一种格式），只合并 PDF")
            .arg(row.otherFormatOf);
    const std::string number = row.facts.Get(kFactNumber);
    if (number.empty())
        return QStringLiteral("与第 %1 行的文件内容完全相同").arg(row.duplicateOf);
    return QStringLiteral("与第 %1 行是同一张发票（发票号码 %2）")
        .arg(row.duplicateOf)
        .arg(QString::fromStdString(number));
}

}  // namespace

void MainWindow::BuildListMenu() {
    listMenu_ = new QMenu(this);
    listMenu_->addAction(QStringLiteral("导出发票清单…"), this, [this] { ExportInvoiceList(); });
    invoiceList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(invoiceList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // Only a listing that is there and not being changed can be exported.
        if (!busy_ && !listing_.rows.empty())
            listMenu_->popup(invoiceList_->viewport()->mapToGlobal(at));
    });
}

void MainWindow::ShowFacts(const std::vector<InvoiceFacts>& facts) {
    listing_ = BuildListing(rows_.Rows(), facts);
    std::vector<QString> repeats(listing_.rows.size());
    for (std::size_t row = 0; row < listing_.rows.size(); ++row) {
        const ListedInvoice& invoice = listing_.rows[row];
        if (invoice.duplicateOf > 0 ||
            (invoice.format == InvoiceFormat::kOfd && invoice.otherFormatOf > 0))
            repeats[row] = RepeatText(invoice);
    }
    rows_.SetRepeats(repeats);
}

QString MainWindow::ShowPrintedBefore(const std::vector<std::string>& printed,
                                      const std::string& ledgerProblem) {
    std::vector<QString> texts;
    int count = 0;
    for (const std::string& text : printed) {
        texts.push_back(QString::fromStdString(text));
        count += text.empty() ? 0 : 1;
    }
    rows_.SetPrintedBefore(texts);
    if (!ledgerProblem.empty())
        return QStringLiteral("未能查阅台账：") + QString::fromStdString(ledgerProblem);
    if (count > 0)
        return QStringLiteral("有 %1 张发票此前已合并打印过（见蓝色行）").arg(count);
    return {};
}

void MainWindow::ExportInvoiceList() {
    if (busy_ || listing_.rows.empty())
        return;
    const std::string suggested = state_.sourceFolder + "/发票清单.csv";
    const auto path = ChooseFileToSave(this, QStringLiteral("导出发票清单"), suggested,
                                       QStringLiteral("CSV 文件 (*.csv)"));
    if (!path || path->empty())
        return;
    if (const auto problem = WriteFileWhole(*path, FormatListing(listing_, ListFormat::kCsv))) {
        ShowMessageBox(this, QStringLiteral("导出失败"),
                       QStringLiteral("发票清单未能保存：\r\n%1\r\n%2")
                           .arg(QFile::decodeName(QByteArray::fromStdString(problem->path)),
                                QString::fromStdString(problem->reason)),
                       QMessageBox::Warning);
    }
}

}  // namespace vellumark
