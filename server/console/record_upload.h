#pragma once
// Uploads that go record by record, each awaited through the request
// protocol: the tachograph adapter's firmware (writedfrm) and the raw
// records a program sends (wrfirmex).

#include <string>

void WriteAdapterFirmCommand(int session, const std::string& args);
void WriteFirmExCommand(int session, const std::string& args);
