#pragma once
// What a unit line earned once its frames were acted on: the acknowledgement
// to send (frame 38, with or without the server time) and whether something
// was refused (frame 41). Both can be sent for one line.

enum AnswerKind { kNoAnswer = 0, kPlainAck = 1, kTimeAck = 2 };

struct LineOutcome {
    int answerKind = kNoAnswer;
    bool lineError = false;
    bool identified = false;  // wake the queue senders once the answer is out
};
