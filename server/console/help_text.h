#pragma once
// The console's help screen.

#include <string>

extern const char* const kHelpLines[];
extern const int kHelpLineCount;

// The whole screen, each line followed by CR LF.
std::string HelpScreen();
