#pragma once
// How long the local actions wait, in milliseconds. The unit's side of the
// cable is paced by these: it needs the long first gap of a firmware upload
// to erase its flash, and each later gap to write a block. Tests shorten
// the pacing; the unit still checks every sum.
struct LocalTimings {
    int answerMs = 864;       // 0.00001 day: a configuration read, distance, clear memory
    int longAnswerMs = 1728;  // 0.00002 day: writes, the IMEI, records, DALLAS blocks, text reads
    int closeMs = 5184;       // 0.00006 day: the closing frame of a DALLAS list
    int firstBlockMs = 3456;  // 0.00004 day: after the first firmware frame
    int blockMs = 207;        // 2.4e-6 day (0.20736 s): after every later firmware frame
    int textLineMs = 104;     // 1.2e-6 day (0.10368 s): after every "$FIRM" line
};
