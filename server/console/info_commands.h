#pragma once
// The console commands about the server itself: list, readlog, clearlog,
// select. Each answers on the session's connection.

#include <string>

void ListCommand(int session);
void ReadLogCommand(int session);
void ClearLogCommand(int session);
void SelectCommand(int session, const std::string& query);
