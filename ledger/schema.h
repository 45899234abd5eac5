// The ledger's tables and how an older ledger is brought up to date.
#pragma once

#include "connection.h"

#include <QString>

#include <string>
#include <vector>

namespace vellumark::ledger {

// The statements that take a ledger from version `to - 1` to `to`; "%BLOB%"
// stands for the type of byte columns.
struct SchemaStep {
    int to = 0;
    std::vector<QString> statements;
};

// The version a program writes and the steps that reach it from version 1.
struct SchemaPlan {
    int version = kSchemaVersion;
    std::vector<SchemaStep> steps;
};

// This program's plan.
const SchemaPlan& ProgramSchema();

// Creates the tables when there are none and upgrades an older ledger, in a
// transaction each; refuses one of a newer version. `plan` null: the program's.
bool PrepareSchema(Ledger::Connection& connection, const SchemaPlan* plan, std::string& error);

// The version written in the ledger, or 0 when there is none; -1 when it
// cannot be read.
int SchemaVersion(Ledger::Connection& connection, QSqlError& error);

}  // namespace vellumark::ledger
