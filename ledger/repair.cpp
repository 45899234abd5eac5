// Setting a damaged ledger file aside, and the fingerprint of an invoice's
// file.
#include "connection.h"
#include "ledger/ledger.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSqlQuery>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vellumark::ledger {
namespace {

// Renames without ever replacing a file that is already there.
bool MoveAside(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a second name, then the first goes.
    return link(from.c_str(), to.c_str()) == 0 && unlink(from.c_str()) == 0;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// "NAME.damaged-yyyyMMdd-HHmmss", with "-2", "-3"... should that be taken.
std::string AsideName(const std::string& path) {
    const std::string stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
    std::string name = path + ".damaged-" + stamp;
    for (int n = 2; Exists(name) || Exists(name + "-wal"); ++n)
        name = path + ".damaged-" + stamp + "-" + std::to_string(n);
    return name;
}

// Damaged: SQLite cannot read it as a database, or its own check finds
// faults. Any other failure (busy, read-only, missing) is no damage; its
// sentence comes back in `error`.
bool IsDamaged(const Location& location, const OpenOptions& options, std::string& error) {
    std::unique_ptr<Ledger::Connection> connection = Connect(location, options, error);
    if (!connection)
        return error == Reason(location, Failure::kDamaged);
    QSqlQuery query(connection->Db());
    if (!query.exec(QStringLiteral("PRAGMA quick_check"))) {
        error = Explain(*connection, query.lastError(), "checking the file");
        return Classify(query.lastError(), false) == Failure::kDamaged;
    }
    const bool sound = query.next() && query.value(0).toString() == QStringLiteral("ok");
    if (!sound)
        qCWarning(lcLedger).noquote() << "ledger" << QString::fromStdString(location.path)
                                      << "failed its check:" << query.value(0).toString();
    error = sound ? Reason(location, Failure::kOther) : std::string();
    return !sound;
}

}  // namespace

std::string Ledger::Repair(const Location& location, std::string& error,
                           const OpenOptions& options) {
    if (location.kind != Location::Kind::kSqlite) {
        error = "台账 " + location.Text() + " 在数据库服务器上，请由服务器的管理员检查修复";
        return {};
    }
    if (!Exists(location.path)) {
        error = "台账 " + location.Text() + " 还不存在，无需修复";
        return {};
    }
    std::string problem;
    if (!IsDamaged(location, options, problem)) {
        error = problem == Reason(location, Failure::kOther)
                    ? "台账 " + location.Text() + " 完好，无需修复"
                    : problem;
        return {};
    }
    const std::string aside = AsideName(location.path);
    // The journals go with the file: left behind, they would be read as the
    // new ledger's.
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        const std::string from = location.path + suffix;
        if (Exists(from) && !MoveAside(from, aside + suffix)) {
            error = "台账 " + location.Text() + " 无法改名另存（" + std::strerror(errno) +
                    "），未作改动";
            return {};
        }
    }
    qCInfo(lcLedger).noquote() << "ledger" << QString::fromStdString(location.path)
                               << "set aside as" << QString::fromStdString(aside);
    if (!Open(location, error, options))
        error = "损坏的台账已另存为 " + aside + "，但未能新建台账：" + error;
    return aside;
}

std::string FileFingerprint(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char buffer[1 << 16];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        hash.addData(QByteArrayView(buffer, n));
    close(fd);
    return n < 0 ? std::string() : hash.result().toHex().toStdString();
}

}  // namespace vellumark::ledger
