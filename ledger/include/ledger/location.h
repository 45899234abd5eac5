// Where the ledger of printed invoices lives: one SQLite file (by default in
// the program's data folder) or a PostgreSQL database shared by several
// people, given as a URI the way libpq takes it.
#pragma once

#include <optional>
#include <string>

namespace vellumark::ledger {

struct Location {
    enum class Kind { kSqlite, kPostgres };
    Kind kind = Kind::kSqlite;
    std::string path;  // the SQLite file, platform bytes

    // PostgreSQL: each part empty (port 0) when the URI leaves it to libpq's
    // own defaults and environment (PGHOST, PGUSER, ~/.pgpass, ...).
    std::string host;  // a name, an address, or a socket folder ("/run/postgresql")
    int port = 0;
    std::string database;
    std::string user;
    std::string password;  // only ever from the command line or the environment
    std::string options;   // further libpq keywords, "key=value key=value"

    // How messages name it: the file's path, or the URI without a password.
    std::string Text() const;
};

struct LocationChoice {
    std::optional<Location> location;
    std::string error;  // why none, in words; empty when there is one
};

// The file used when nothing else is said: "ledger.sqlite" in the data
// folder of the application "vellumark".
std::string DefaultLedgerPath();

// `text` is a file path or a "postgresql://" / "postgres://" URI.
// `fromSettings` refuses URIs that carry a password: a settings file is no
// place for one (libpq finds it in ~/.pgpass or PGPASSWORD).
LocationChoice ParseLocation(const std::string& text, bool fromSettings = false);

// The command line's choice, else VELLUMARK_LEDGER, else the settings file's
// key "ledger", else the default file.
LocationChoice ChooseLocation(const std::optional<std::string>& commandLine);

}  // namespace vellumark::ledger
