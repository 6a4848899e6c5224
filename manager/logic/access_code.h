#pragma once
// The day's access code for configuring without the repository: 32
// upper-case hexadecimal characters, one code per calendar day. The
// operators' office hands it out (manager/README.md says how it is made).

#include <QDate>
#include <QString>

QString AccessCodeFor(const QDate& day);
