#include "ledger/location.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

#include <cstdlib>

namespace vellumark::ledger {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Undoes %XX escapes; false when one is broken.
bool Decode(const std::string& text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string Encode(const std::string& text, const char* keep) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') ||
                           std::string("-._~").find(c) != std::string::npos ||
                           std::string(keep).find(c) != std::string::npos;
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out;
}

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5)
        return false;
    port = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        port = port * 10 + (c - '0');
    }
    return port > 0 && port < 65536;
}

// One "key=value" of the URI's query: the connection's parts by name, any
// other libpq keyword kept for the connection's options.
bool TakeParameter(const std::string& key, const std::string& value, Location& at,
                   std::string& error) {
    if (key == "host") {
        at.host = value;
    } else if (key == "port") {
        if (!ParsePort(value, at.port))
            return (error = "端口不是 1 到 65535 之间的整数：" + value), false;
    } else if (key == "dbname") {
        at.database = value;
    } else if (key == "user") {
        at.user = value;
    } else if (key == "password") {
        at.password = value;
    } else {
        for (const char c : key)
            if (!((c >= 'a' && c <= 'z') || c == '_'))
                return (error = "台账地址中有无法识别的参数：" + key), false;
        // The driver joins options with spaces and turns ';' into one.
        if (value.find(';') != std::string::npos)
            return (error = "台账地址的参数 " + key + " 中不能有分号"), false;
        std::string quoted;
        for (const char c : value)
            quoted += (c == '\'' || c == '\\') ? std::string("\\") + c : std::string(1, c);
        at.options += (at.options.empty() ? "" : " ") + key + "='" + quoted + "'";
    }
    return true;
}

bool ParseQuery(const std::string& query, Location& at, std::string& error) {
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string pair = query.substr(start, end - start);
        start = end + 1;
        if (pair.empty())
            continue;
        const std::size_t equals = pair.find('=');
        std::string key;
        std::string value;
        if (equals == std::string::npos || !Decode(pair.substr(0, equals), key) ||
            !Decode(pair.substr(equals + 1), value))
            return (error = "台账地址的参数写法有误：" + pair), false;
        if (!TakeParameter(key, value, at, error))
            return false;
    }
    return true;
}

// "[user[:password]@][host][:port]"
bool ParseAuthority(const std::string& authority, Location& at, std::string& error) {
    std::string hostPort = authority;
    const std::size_t at_sign = authority.rfind('@');
    if (at_sign != std::string::npos) {
        const std::string userInfo = authority.substr(0, at_sign);
        hostPort = authority.substr(at_sign + 1);
        const std::size_t colon = userInfo.find(':');
        if (!Decode(userInfo.substr(0, colon), at.user) ||
            (colon != std::string::npos && !Decode(userInfo.substr(colon + 1), at.password)))
            return (error = "台账地址的用户名写法有误"), false;
    }
    std::string portText;
    if (!hostPort.empty() && hostPort[0] == '[') {
        const std::size_t close = hostPort.find(']');
        if (close == std::string::npos)
            return (error = "台账地址的主机写法有误：" + hostPort), false;
        at.host = hostPort.substr(1, close - 1);
        if (close + 1 < hostPort.size()) {
            if (hostPort[close + 1] != ':')
                return (error = "台账地址的主机写法有误：" + hostPort), false;
            portText = hostPort.substr(close + 2);
        }
    } else {
        const std::size_t colon = hostPort.rfind(':');
        if (!Decode(hostPort.substr(0, colon), at.host))
            return (error = "台账地址的主机写法有误：" + hostPort), false;
        if (colon != std::string::npos)
            portText = hostPort.substr(colon + 1);
    }
    if (!portText.empty() && !ParsePort(portText, at.port))
        return (error = "端口不是 1 到 65535 之间的整数：" + portText), false;
    return true;
}

LocationChoice ParseUri(const std::string& rest, bool fromSettings) {
    LocationChoice choice;
    Location at;
    at.kind = Location::Kind::kPostgres;
    const std::size_t question = rest.find('?');
    const std::string beforeQuery = rest.substr(0, question);
    const std::size_t slash = beforeQuery.find('/');
    std::string& error = choice.error;
    if (!ParseAuthority(beforeQuery.substr(0, slash), at, error))
        return choice;
    if (slash != std::string::npos && !Decode(beforeQuery.substr(slash + 1), at.database)) {
        error = "台账地址的数据库名写法有误";
        return choice;
    }
    if (question != std::string::npos && !ParseQuery(rest.substr(question + 1), at, error))
        return choice;
    if (fromSettings && !at.password.empty()) {
        error = "设置文件中的台账地址不能带密码：请把密码写在 ~/.pgpass 或环境变量 PGPASSWORD 中";
        return choice;
    }
    choice.location = std::move(at);
    return choice;
}

}  // namespace

std::string Location::Text() const {
    if (kind == Kind::kSqlite)
        return path;
    std::string text = "postgresql://";
    if (!user.empty())
        text += Encode(user, "") + "@";
    const bool socket = !host.empty() && host[0] == '/';
    if (!socket) {
        text += host.find(':') != std::string::npos ? "[" + host + "]" : Encode(host, "");
        if (port > 0)
            text += ":" + std::to_string(port);
    }
    text += "/" + Encode(database, "");
    std::string query;
    if (socket) {
        query = "host=" + Encode(host, "/");
        if (port > 0)
            query += "&port=" + std::to_string(port);
    }
    return query.empty() ? text : text + "?" + query;
}

std::string DefaultLedgerPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QFile::encodeName(QDir(folder).filePath(QStringLiteral("ledger.sqlite"))).toStdString();
}

LocationChoice ParseLocation(const std::string& text, bool fromSettings) {
    for (const char* scheme : {"postgresql://", "postgres://"}) {
        const std::string prefix = scheme;
        if (text.compare(0, prefix.size(), prefix) == 0)
            return ParseUri(text.substr(prefix.size()), fromSettings);
    }
    LocationChoice choice;
    if (text.empty()) {
        choice.error = "台账位置为空";
        return choice;
    }
    Location at;
    at.path = text;
    choice.location = std::move(at);
    return choice;
}

LocationChoice ChooseLocation(const std::optional<std::string>& commandLine) {
    if (commandLine)
        return ParseLocation(*commandLine);
    if (const char* env = std::getenv("VELLUMARK_LEDGER"); env && *env)
        return ParseLocation(env);
    const QSettings settings(QStringLiteral("vellumark"), QStringLiteral("vellumark"));
    const QByteArray saved = settings.value(QStringLiteral("ledger")).toString().toUtf8();
    if (!saved.isEmpty())
        return ParseLocation(saved.toStdString(), true);
    return ParseLocation(DefaultLedgerPath());
}

}  // namespace vellumark::ledger
