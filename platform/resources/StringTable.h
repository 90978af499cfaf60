#pragma once
// The string table: texts by id, loaded from the embedded resource files
// ":/strings/*.tsv" (see res/strings/README.txt) on first use.

#include <QString>

#include <map>

namespace platform {

// The text of `id`, or an empty string when the table has none.
QString LoadResString(int id);
bool HasResString(int id);

// Parses one table file's text into `table`. False (with `error` saying
// where) on a malformed line or an id already in the table.
bool ParseStringTable(const QString& text, std::map<int, QString>& table, QString* error = nullptr);

// Every id and text of the embedded table, and the first problem found while
// loading it (empty when there was none).
const std::map<int, QString>& StringTable();
QString StringTableError();

}  // namespace platform
