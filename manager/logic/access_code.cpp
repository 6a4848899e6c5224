#include "manager/logic/access_code.h"

#include "manager/logic/repo_requests.h"

// MD5 of a fixed phrase and the ISO date. The phrase keeps the code from
// being the digest of the bare date, which anyone could guess.
QString AccessCodeFor(const QDate& day) {
    return Md5Hex(QStringLiteral("VimkoManager off-line access ") +
                  day.toString(QStringLiteral("yyyy-MM-dd")));
}
