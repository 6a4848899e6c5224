#pragma once
// Cuts the console's byte stream into lines. LF ends a line, CR is dropped,
// a line keeps at most kMaxLine bytes (the rest of it is dropped). A partial
// line is handed over as complete after kIdleWaits idle waits of 100 ms in a
// row: that is how prompts sent without a line break reach the client.
//
//   bytes ──Feed──> [ buffer ≤ 2047 ] ──LF──> line
//                          └── 10 × Wait(no data) ──> line

#include <QByteArray>
#include <QList>

class ConsoleLineAssembler {
  public:
    static constexpr qsizetype kMaxLine = 2047;
    static constexpr int kIdleWaits = 10;

    // Appends every line completed by `bytes` to `lines`.
    void Feed(const QByteArray& bytes, QList<QByteArray>& lines);
    // One 100-ms wait has passed; `dataCame` tells whether bytes arrived in
    // it. Returns true with the partial line in `line` at the tenth idle wait
    // in a row over a non-empty buffer.
    bool Wait(bool dataCame, QByteArray& line);

    qsizetype pending() const { return m_buffer.size(); }

  private:
    QByteArray m_buffer;
    int m_idle = 0;
};
