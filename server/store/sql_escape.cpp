#include "server/store/sql_escape.h"

std::string SqlEscape(MYSQL* connection, std::string_view text) {
    std::string out(text.size() * 2 + 1, '\0');
    unsigned long n = mysql_real_escape_string(connection, out.data(), text.data(),
                                               static_cast<unsigned long>(text.size()));
    out.resize(n);
    return out;
}
