#pragma once
// The texts of the decoder's statements. The decoder writes no text values:
// only numbers and the rule columns, which are quoted as identifiers so that
// no column name from the configuration file can change a statement.

#include <cstdint>
#include <string>

// Reads the progress row.
std::string ProgressSelectSql();

// Stores the progress. The table is named in lower case, as in the select:
// where table names are case-sensitive an upper-case name would reach
// another table (or none), and the progress would be lost.
std::string ProgressUpdateSql(uint64_t recordNo);

// Creates the progress row when the table has none, so that later updates
// have a row to land in.
std::string ProgressInsertSql(uint64_t recordNo);

// The next batch: rows from `recordNo` on, in id order, at most `limit`.
std::string BatchSelectSql(uint64_t recordNo, int limit);

// `column`=value with the column quoted as an identifier.
std::string AssignmentSql(const char* column, const std::string& value);

// "update locdata set " + assignments + " where id=%lu".
std::string RowUpdateSql(const std::string& assignments, uint64_t id);
