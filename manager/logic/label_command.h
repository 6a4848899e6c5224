#pragma once
// The label printer's command line and the system dump's log lines, as pure
// text functions.
//
// The label program is started with
//   <program> Vimko5N.LBX -objDevId ID:<MYID> -objImei IMEI:<imei>
//             -objCcid CCID:<ccid> -objStatus (C)      ("(-)" when not online)
// on one line; an empty value leaves its field empty ("ID:").

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

// What a label needs to know about the unit on the cable. The local
// configuration read sets configReadForLabel (and clears
// moduleSeenForLabel); the monitor's module answer sets the rest; printing
// clears both flags, so every label needs a fresh read and module answer.
struct LabelFacts {
    bool configReadForLabel = false;
    bool moduleSeenForLabel = false;
    bool unitOnline = false;  // the module answer's link state was TCP_CONNECTED
    QString lastImei;
    QString lastCcid;
};

// The whole command line, as shown in the confirmation box.
QString LabelCommandLine(const QString& program, const QString& myId, const QString& imei,
                         const QString& ccid, bool online);

// The arguments the program receives: the command line after the program,
// cut at blanks as the printer program's own command-line parser cuts it.
// The program path itself is passed whole, so a path with blanks still runs.
QStringList LabelArguments(const QString& myId, const QString& imei, const QString& ccid,
                           bool online);

// The dump text of a command 40 item 101 answer (frame offset 10 up to the
// last three bytes) as Debug log lines: every LF ends a line, every ':' is
// followed by a blank, a non-empty remainder is the last line.
std::vector<std::string> DumpLines(std::span<const uint8_t> text);
