#include "connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>

Q_LOGGING_CATEGORY(lcLedger, "vellumark.ledger")

namespace vellumark::ledger {
namespace {

// SQLite's primary result codes; the driver reports extended ones, whose low
// byte is the primary.
enum SqliteCode {
    kSqliteBusy = 5,
    kSqliteLocked = 6,
    kSqliteReadOnly = 8,
    kSqliteIoError = 10,
    kSqliteCorrupt = 11,
    kSqliteFull = 13,
    kSqliteCantOpen = 14,
    kSqlitePermission = 3,
    kSqliteNotADatabase = 26,
};

QString NextName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("vellumark-ledger-%1").arg(++counter);
}

// A file path as an SQLite URI: every byte that is not plainly safe is
// escaped, so names that are not UTF-8, or hold '?' or '#', reach the file
// system unchanged.
QString SqliteUri(const std::string& path, bool readOnly = false) {
    QByteArray uri = "file:";
    uri += QByteArray::fromStdString(path).toPercentEncoding("/");
    // Where no journal can be made beside the file, nobody can write to it
    // either, so SQLite may read it as it stands.
    if (readOnly)
        uri += "?mode=ro&immutable=1";
    return QString::fromLatin1(uri);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// An existing file that cannot be written, or whose folder cannot take the
// journal files beside it.
bool IsReadOnlyFile(const std::string& path) {
    return access(path.c_str(), F_OK) == 0 &&
           (access(path.c_str(), W_OK) != 0 || access(FolderOf(path).c_str(), W_OK) != 0);
}

bool IsSpaceLeft(const std::string& path) {
    const std::string folder = FolderOf(path);
    struct statvfs fs {};
    if (statvfs(folder.c_str(), &fs) != 0)
        return true;
    return fs.f_bavail > 0;
}

Failure ClassifySqlite(const QSqlError& error, const std::string& path) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (!ok)
        return error.type() == QSqlError::ConnectionError ? Failure::kCannotOpen : Failure::kOther;
    switch (code) {
        case kSqliteBusy:
        case kSqliteLocked:
            return Failure::kBusy;
        case kSqliteReadOnly:
            return Failure::kReadOnly;
        case kSqliteCorrupt:
        case kSqliteNotADatabase:
            return Failure::kDamaged;
        case kSqliteFull:
            return Failure::kFull;
        case kSqliteCantOpen:
        case kSqlitePermission:
            return IsReadOnlyFile(path) ? Failure::kReadOnly : Failure::kCannotOpen;
        case kSqliteIoError:
            // Some writes that run out of room come back as plain I/O errors.
            return IsSpaceLeft(path) ? Failure::kOther : Failure::kFull;
        default:
            return Failure::kOther;
    }
}

Failure ClassifyPostgres(const QSqlError& error) {
    const QString state = error.nativeErrorCode();
    const QString text = error.databaseText() + u' ' + error.driverText();
    if (state.startsWith(u"28") || text.contains(u"password authentication failed") ||
        text.contains(u"no password supplied") || text.contains(u"authentication failed"))
        return Failure::kLoginRefused;
    if (state == u"3D000" ||
        (state.isEmpty() && text.contains(u"database \"") && text.contains(u"does not exist")))
        return Failure::kNoDatabase;
    if (state.startsWith(u"53"))
        return Failure::kFull;
    if (state == u"25006")
        return Failure::kReadOnly;
    if (state == u"55P03" || state == u"40P01" || state == u"57014" || state == u"40001")
        return Failure::kBusy;
    if (state == u"42501")
        return Failure::kNoPermission;
    if (state.startsWith(u"08") || state.startsWith(u"57P") || state.isEmpty())
        return Failure::kServerDown;
    return Failure::kOther;
}

}  // namespace

Ledger::Connection::~Connection() {
    {
        QSqlDatabase db = Db();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool Ledger::Connection::Exec(const QString& sql, QSqlError& error) {
    QSqlQuery query(Db());
    if (query.exec(sql))
        return true;
    error = query.lastError();
    return false;
}

bool Ledger::Connection::Begin(QSqlError& error) {
    return Exec(postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"), error);
}

bool Ledger::Connection::Commit(QSqlError& error) {
    return Exec(QStringLiteral("COMMIT"), error);
}

void Ledger::Connection::Rollback() {
    QSqlError ignored;
    Exec(QStringLiteral("ROLLBACK"), ignored);
}

std::unique_ptr<Ledger::Connection> Connect(const Location& location, const OpenOptions& options,
                                            std::string& error) {
    const bool postgres = location.kind == Location::Kind::kPostgres;
    const QString driver = postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        error = Reason(location, Failure::kNoDriver, driver.toStdString());
        return nullptr;
    }
    auto connection = std::make_unique<Ledger::Connection>();
    connection->name = NextName();
    connection->location = location;
    connection->options = options;
    connection->postgres = postgres;
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection->name);
    if (postgres) {
        db.setHostName(QString::fromStdString(location.host));
        if (location.port > 0)
            db.setPort(location.port);
        db.setDatabaseName(QString::fromStdString(location.database));
        db.setUserName(QString::fromStdString(location.user));
        // Left empty, the driver passes no password at all, so libpq looks in
        // PGPASSWORD and ~/.pgpass itself.
        db.setPassword(QString::fromStdString(location.password));
        std::string extra = location.options;
        if (extra.find("connect_timeout=") == std::string::npos)
            extra += " connect_timeout=" + std::to_string(options.connectSeconds);
        if (extra.find("application_name=") == std::string::npos)
            extra += " application_name=vellumark";
        db.setConnectOptions(QString::fromStdString(extra));
    } else {
        if (location.path == DefaultLedgerPath())
            QDir().mkpath(QFileInfo(QFile::decodeName(location.path.c_str())).absolutePath());
        db.setDatabaseName(SqliteUri(location.path));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                                 .arg(options.waitMilliseconds));
    }
    if (!db.open()) {
        error = Explain(*connection, db.lastError(), "connecting");
        return nullptr;
    }
    QSqlError setupError;
    bool set = postgres ? connection->Exec(
                              QStringLiteral("SET lock_timeout = %1").arg(options.waitMilliseconds),
                              setupError) &&
                              connection->Exec(QStringLiteral("SET client_min_messages = warning"),
                                               setupError)
                        : connection->Exec(QStringLiteral("PRAGMA journal_mode = WAL"), setupError);
    if (!set && !postgres && IsReadOnlyFile(location.path)) {
        // Still good for looking up; writing says it is read-only.
        db.close();
        db.setDatabaseName(SqliteUri(location.path, true));
        set = db.open() && connection->Exec(QStringLiteral("SELECT 1"), setupError);
    }
    if (!set) {
        error = Explain(*connection, setupError, "setting up the connection");
        return nullptr;
    }
    return connection;
}

Failure Classify(const QSqlError& error, bool postgres) {
    return postgres ? ClassifyPostgres(error) : ClassifySqlite(error, {});
}

std::string Reason(const Location& location, Failure failure, const std::string& detail) {
    const std::string at = "台账 " + location.Text();
    switch (failure) {
        case Failure::kReadOnly:
            return at + " 是只读的";
        case Failure::kBusy:
            return at + " 正被另一个程序占用，等待后仍未轮到";
        case Failure::kFull:
            return at + " 所在的磁盘已满";
        case Failure::kDamaged:
            return at + " 已损坏（运行 vellumark-cli ledger repair 可将它另存一边并新建台账）";
        case Failure::kNewer:
            return at + " 由较新版本的程序建立（" + detail + "），请升级本程序";
        case Failure::kServerDown:
            return at + " 的服务器无法连接（没有运行，或连接已中断）";
        case Failure::kLoginRefused:
            return at +
                   " 的服务器拒绝登录（用户名或密码不对；密码请放在 ~/.pgpass 或 PGPASSWORD 中）";
        case Failure::kNoDatabase:
            return at + " 的数据库在服务器上不存在";
        case Failure::kNoPermission:
            return at + " 不允许当前用户读写（没有权限）";
        case Failure::kNoDriver:
            return at + " 需要的数据库驱动 " + detail + " 没有安装";
        case Failure::kCannotOpen:
            return at + " 无法打开（所在文件夹不存在或没有权限）";
        case Failure::kOther:
            break;
    }
    return at + " 读写出错";
}

std::string Explain(const Ledger::Connection& connection, const QSqlError& error,
                    const char* doing) {
    qCWarning(lcLedger).noquote() << "ledger" << QString::fromStdString(connection.location.Text())
                                  << doing << "failed: code" << error.nativeErrorCode()
                                  << error.databaseText() << "|" << error.driverText();
    const Failure failure = connection.postgres ? ClassifyPostgres(error)
                                                : ClassifySqlite(error, connection.location.path);
    return Reason(connection.location, failure);
}

}  // namespace vellumark::ledger
