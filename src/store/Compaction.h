#pragma once
// Compaction of the open database file at shut-down: a compacted copy is written
// into a temporary file beside the opened file and then renamed over it in one
// step. The original is never deleted first, so any failure leaves it as it was.
#include <QString>
#include <functional>

class Connection;

// Moves `from` over `to` in one step (rename over the existing file).
bool replaceFileAtomically(const QString &from, const QString &to, QString *error);

using ReplaceFile = std::function<bool(const QString &from, const QString &to, QString *error)>;

// Compacts the connection's file and closes the connection, whatever happens.
// Fails (the file untouched) when another program still has the file open.
// `replace` is the final step; tests give a failing one.
bool compactDatabase(Connection &connection, QString *error, const ReplaceFile &replace = replaceFileAtomically);
