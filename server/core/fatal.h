#pragma once
// Ending the server on a failure it cannot run with (a port it cannot
// listen on, a thread it cannot start): the text goes to standard error, as
// an operator starting it by hand or a service manager will see it, and the
// process ends at once with code 1.

#include <string>

[[noreturn]] void FatalExit(const std::string& message);
