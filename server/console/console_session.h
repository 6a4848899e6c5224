#pragma once
// The operator console: the listener (worker thread #2) on TELNET_PORT and
// one session thread per client, with the login dialogue, the command loop
// and the dispatch of every command.

#include <string>

// Thread entry of the console listener; never returns. A socket that cannot
// be set up ends the process ("Bind error #2" and so on).
void ConsoleListener();

// Reads one line from the session's client into `line`: 1 when complete; 0
// when the client closed, a read failed or RCV_TIMEOUT seconds passed
// without a byte.
int ReadConsoleLine(int session, std::string& line);

// Runs a dispatched prefix command; false when the word has no handler
// (answered as an unknown command).
using PrefixHandler = void (*)(int session, const std::string& args);
PrefixHandler FindPrefixHandler(const std::string& word);
