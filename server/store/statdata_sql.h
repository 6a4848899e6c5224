#pragma once
// The statement that records one status event in `statdata`. Pure: the caller
// supplies the time and the already escaped serial number.

#include <ctime>
#include <string>

// Status event numbers.
inline constexpr int kEventStart = 0;          // server started
inline constexpr int kEventIdentified = 1;     // a unit identified itself
inline constexpr int kEventConnectionEnd = 2;  // bytes received/sent on a connection
inline constexpr int kEventSqlError = 3;       // a statement failed: its code and the error number

// `sn` is null when the event concerns no unit. A parameter of -1 is absent
// and its column left out.
std::string BuildStatusEventSql(const std::tm& utc, const char* sn, int event, long param1,
                                long param2);
