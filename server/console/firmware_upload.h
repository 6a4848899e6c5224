#pragma once
// Loading the session's upload buffer (writedata) and reprogramming a unit's
// main module (writefirm) or its driver terminal (writetfrm) in blocks of
// 256 bytes. The session holds the unit for the whole upload; blocks go out
// paced by fixed pauses, without acknowledgements, and the unit confirms the
// whole image at the end (its answer is printed by the unit's session).

#include <string>

void WriteDataCommand(int session, const std::string& args);
void WriteFirmCommand(int session, const std::string& args);
void WriteTerminalFirmCommand(int session, const std::string& args);
