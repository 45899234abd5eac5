#include "core/run_log.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QtGlobal>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace vellumark {
namespace {

struct Sink {
    std::mutex mutex;  // messages come from every thread
    int fd = -1;
    bool echo = false;
    std::string program;
};

Sink& TheSink() {
    static Sink sink;
    return sink;
}

const char* LevelName(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return "debug";
        case QtInfoMsg:
            return "info";
        case QtWarningMsg:
            return "warning";
        case QtCriticalMsg:
            return "critical";
        case QtFatalMsg:
            return "fatal";
    }
    return "?";
}

void WriteAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    auto left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written <= 0)
            return;  // a log that cannot be written is not worth failing a run for
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    Sink& sink = TheSink();
    const QByteArray category = context.category ? context.category : "default";
    const QByteArray line =
        QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")).toUtf8() + " " +
        category + " " + LevelName(type) + ": " + text.toUtf8() + "\n";
    const std::lock_guard guard(sink.mutex);
    if (sink.fd >= 0)
        WriteAll(sink.fd, line);
    if (sink.echo) {
        WriteAll(STDERR_FILENO, QByteArray::fromStdString(sink.program) + ": " + line);
    } else if (type == QtCriticalMsg || type == QtFatalMsg) {
        WriteAll(STDERR_FILENO,
                 QByteArray::fromStdString(sink.program) + ": Qt: " + text.toUtf8() + "\n");
    }
}

// Removes the program's older logs so that `keep` remain with the new one.
void DropOldLogs(QDir folder, const std::string& program, int keep) {
    const QStringList logs = folder.entryList(
        {QString::fromStdString(program) + QStringLiteral("-[0-9]*.log")}, QDir::Files,
        QDir::Name | QDir::Reversed);  // names start with the time
    for (qsizetype i = keep; i < logs.size(); ++i)
        folder.remove(logs[i]);
}

}  // namespace

std::string StartRunLog(const std::string& program, bool echo, const std::string& folder) {
    QString where = QString::fromStdString(folder);
    if (where.isEmpty())
        where = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir dir(where);
    std::string path;
    int fd = -1;
    if (!where.isEmpty() && QDir().mkpath(where)) {
        DropOldLogs(dir, program, kRunLogsKept - 1);
        const QString name =
            QString::fromStdString(program) + QLatin1Char('-') +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
            QLatin1Char('-') + QString::number(getpid()) + QStringLiteral(".log");
        path = QFile::encodeName(dir.filePath(name)).toStdString();
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0)
            path.clear();
    }
    {
        Sink& sink = TheSink();
        const std::lock_guard guard(sink.mutex);
        if (sink.fd >= 0)
            close(sink.fd);
        sink.fd = fd;
        sink.echo = echo;
        sink.program = program;
    }
    qInstallMessageHandler(Handle);
    return path;
}

void StopRunLog() {
    qInstallMessageHandler(nullptr);
    Sink& sink = TheSink();
    const std::lock_guard guard(sink.mutex);
    if (sink.fd >= 0)
        close(sink.fd);
    sink.fd = -1;
}

}  // namespace vellumark
