#pragma once
// The console commands of remote configuration, built as text: which command
// reads and writes each tab for each generation, the generation of a unit's
// protocol bit, and the message of an off-line configuration report.

#include <QString>
#include <QStringList>

// The device type of a protocol bit: 1, 2 -> Vimko-1; 4, 8 -> Vimko-2;
// 256, 512 -> Vimko-3/4; -1 for any other unit.
int GenerationOfProtocol(int bit);

// Whether a group row's "Mode" names a unit of `deviceType`.
bool ModeNameFits(int deviceType, const QString& modeName);

// The read and write command words of a tab; empty where the generation has
// no command for it.
QString ReadCommandWord(int tab, int deviceType);
QString WriteCommandWord(int tab, int deviceType);

// "readcfg 356..." or an empty text when the tab has no read command.
QString BuildReadCommand(int tab, int deviceType, const QString& imei);
// "writecfg 356...,0,v1,v2,..." (",1" after the IMEI for an off-line write),
// or an empty text when the tab has no write command.
QString BuildWriteCommand(int tab, int deviceType, const QString& imei, bool offline,
                          const QStringList& values);

// The question asked before an operation on a unit of generation
// `deviceType` while another one is selected.
QString SelectTypeQuestion(int deviceType);

// The text shown for a "readoffln" answer line; `status` receives field 1.
// Empty for status 0 (no off-line configuration).
QString OfflineStatusMessage(const QString& answer, int& status);
