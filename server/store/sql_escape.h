#pragma once
// Text values inside statements. Every text that reaches a statement from a
// unit, an operator or a file goes through SqlEscape, so no value can end its
// quotes early or change the statement.

#include <mysql.h>

#include <string>
#include <string_view>

// `text` escaped with the connector's escaping for `connection`'s character
// set, ready to stand between single quotes.
std::string SqlEscape(MYSQL* connection, std::string_view text);
