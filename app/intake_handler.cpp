// The window's intake: the folder dialog and drops, the folder's lock, the
// intake on its worker thread, and what the window shows afterwards.
#include "app/main_window.h"
#include "core/printed_ledger.h"
#include "core/program_state.h"
#include "engine/folder_dialog.h"
#include "engine/message_box.h"
#include "facts/listing.h"
#include "facts/package_facts.h"
#include "facts/page_facts.h"
#include "intake/folder_ops.h"
#include "layout/ready_images.h"

#include <QFile>
#include <QLabel>
#include <QThreadPool>

#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

namespace vellumark {
namespace {

QString SplitProgressText(const std::string& source, int page, int pages) {
    const auto slash = source.find_last_of('/');
    const QString name = QFile::decodeName(
        QByteArray::fromStdString(source.substr(slash == std::string::npos ? 0 : slash + 1)));
    return QStringLiteral("正在拆分 %1：第 %2/%3 页").arg(name).arg(page).arg(pages);
}

// What the status line says after an intake that met trouble or mended it.
QString IntakeStatusText(const IntakeReport& report) {
    const std::size_t problems = report.unreadable.size() + report.notSplit.size();
    if (problems > 0) {
        return QStringLiteral("有 %1 个文件无法读取或未能拆分（见红色行）").arg(problems);
    }
    if (!report.resumed.empty())
        return QStringLiteral("已完成上次中断的拆分：%1 个文件").arg(report.resumed.size());
    return {};
}

// What the intake's worker hands back to the window.
struct IntakeWork {
    FolderLocks locks;
    IntakeValues values;
    InvoiceRows rows;
    IntakeReport report;
    BuildResult result = BuildResult::kCancelled;
    std::vector<InvoiceFacts> facts;   // one per row
    std::vector<ReadyImage> ready;     // one per row
    std::vector<std::string> printed;  // per row: when the ledger says it was merged before
    std::string ledgerProblem;         // why the ledger could not be asked
};

// Every page is rendered once, at the merge's resolution into the image
// folder: its facts are read from that render, and the merge takes the image
// of each page it draws upright. Nothing when cancelled.
std::vector<InvoiceFacts> ReadListedFacts(PdfLibrary& pdf, const InvoiceRows& rows,
                                          const std::string& imageFolder,
                                          std::vector<ReadyImage>& ready,
                                          const std::function<bool()>& cancelled) {
    std::error_code ignored;
    std::filesystem::create_directories(imageFolder, ignored);
    std::vector<pdfax::RenderedImage> renders;
    std::vector<InvoiceFacts> facts =
        ReadFacts(pdf, UprightRenderJobs(imageFolder, rows, ready), cancelled, &renders);
    KeepReady(ready, renders);
    // A page whose image could not be written (a full disk, a folder that
    // cannot be written) still has its facts.
    const std::vector<pdfax::RenderJob> reading = ReadingJobs(rows, kFactsRenderDpi);
    std::vector<pdfax::RenderJob> again;
    std::vector<std::size_t> rowsAgain;
    for (std::size_t row = 0; row < renders.size() && !facts.empty(); ++row) {
        if (renders[row].error.problem != pdfax::Problem::kNone) {
            again.push_back(reading[row]);
            rowsAgain.push_back(row);
        }
    }
    if (again.empty())
        return facts;
    const std::vector<InvoiceFacts> more = ReadFacts(pdf, std::move(again), cancelled, nullptr);
    if (more.empty())
        return {};
    for (std::size_t i = 0; i < more.size(); ++i)
        facts[rowsAgain[i]] = more[i];
    return facts;
}

}  // namespace

void MainWindow::PrepareIntake() {
    usageNotesLabel_->hide();
    readyImages_.clear();
}

// The previous result goes even when no intake follows. Removing a large
// image folder takes a while, so it happens off the window's thread, and
// only while no other program of this directory merges into it.
void MainWindow::RemovePreviousResult() {
    QThreadPool::globalInstance()->start([folders = state_.WorkFolders(),
                                          output = state_.OutputPdf(),
                                          images = state_.TempImageFolder()] {
        const FolderLocks locks = FolderLocks::TryLock(folders);
        if (locks.Held())
            RemovePreviousOutput(output, images);
    });
}

void MainWindow::ChooseFolderClicked() {
    if (busy_)
        return;
    busy_ = true;
    PrepareIntake();
    const auto folder = ChooseFolder(this, QStringLiteral("请选择软件安装目录"));
    busy_ = false;
    // A cancelled dialog ends here rather than searching the file-system root.
    if (!folder || folder->empty()) {
        RemovePreviousResult();
        return;
    }
    RunIntake(*folder);
}

void MainWindow::FilesDropped(const std::string& text) {
    if (busy_)
        return;
    PrepareIntake();
    RunIntake(text);
}

void MainWindow::RunIntake(const std::string& sourceFolder) {
    state_.sourceFolder = sourceFolder;
    WhenFoldersFree(FoldersOfRun(sourceFolder), [this, sourceFolder](FolderLocks& locks) {
        StartIntake(sourceFolder, std::move(locks));
    });
}

void MainWindow::StartIntake(const std::string& sourceFolder, FolderLocks locks) {
    auto work = std::make_shared<IntakeWork>();
    work->locks = std::move(locks);
    work->values.sourceFolder = sourceFolder;
    const std::string outputPdf = state_.OutputPdf();
    const std::string tempImageFolder = state_.TempImageFolder();
    IntakeHooks hooks;
    hooks.cancel = &cancel_;
    hooks.progress = [this](const std::string& source, int page, int pages) {
        Later([this, text = SplitProgressText(source, page, pages)] {
            if (Working())
                statusLabel_->setText(text);
        });
    };
    RunInBackground(
        [this, work, hooks, outputPdf, tempImageFolder] {
            RemovePreviousOutput(outputPdf, tempImageFolder);
            work->result =
                BuildInvoiceList(state_.pdfLibrary, work->values, work->rows, &work->report, hooks);
            if (work->result == BuildResult::kListed) {
                work->facts = ReadListedFacts(state_.pdfLibrary, work->rows, tempImageFolder,
                                              work->ready, [this] { return cancel_.load(); });
                AddPackageData(work->rows, work->facts);
            }
            if (!work->facts.empty())
                work->printed =
                    PrintedBeforeTexts(BuildListing(work->rows, work->facts), work->ledgerProblem);
            work->locks = FolderLocks{};
        },
        [this, work] {
            statusLabel_->setText(HintText());
            statusLabel_->setToolTip({});
            FinishIntake(work->result, std::move(work->rows), work->report);
            if (work->result == BuildResult::kListed && !closing_) {
                ShowFacts(work->facts);
                ShowSummary(IntakeStatusText(work->report),
                            ShowPrintedBefore(work->printed, work->ledgerProblem));
                readyImages_ = std::move(work->ready);
            }
        });
}

void MainWindow::FinishIntake(BuildResult result, InvoiceRows rows, const IntakeReport& report) {
    if (closing_ || result == BuildResult::kCancelled)
        return;
    rows_.Assign(std::move(rows));
    listing_ = {};
    if (result == BuildResult::kNoPdfFiles) {
        ShowMessageBox(nullptr, QStringLiteral("文件类型有误"),
                       QStringLiteral("请选择包含.pdf的文件夹拖入！"), QMessageBox::Critical);
        return;
    }
    if (const QString told = IntakeStatusText(report); !told.isEmpty())
        statusLabel_->setText(told);
    invoiceCountLabel_->setText(InvoiceCountCaption(rows_.rowCount()));
    layoutPanel_->show();
}

// One line, cut with "…" to the label's width; the tooltip has it whole. A
// folder without anything that looks like an invoice keeps the hint.
void MainWindow::ShowSummary(const QString& intakeText, const QString& ledgerText) {
    const bool summed = listing_.summary.invoices > 0 || !listing_.unread.empty();
    if (!summed && ledgerText.isEmpty())
        return;
    QStringList first;
    if (!intakeText.isEmpty())
        first << intakeText;
    if (summed)
        first << QString::fromStdString(SummaryText(listing_));
    // The ledger's word, when there is one, takes the second line, so that
    // neither hides the other.
    QStringList lines;
    if (!first.isEmpty())
        lines << first.join(QStringLiteral("；"));
    if (!ledgerText.isEmpty()) {
        lines << ledgerText;
        first << ledgerText;
    }
    QStringList shown;
    for (const QString& line : lines)
        shown << statusLabel_->fontMetrics().elidedText(line, Qt::ElideRight,
                                                        statusLabel_->width());
    statusLabel_->setText(shown.join(QLatin1Char('\n')));
    statusLabel_->setToolTip(first.join(QLatin1Char('\n')));
}

}  // namespace vellumark
