#include "manager/logic/console_line_assembler.h"

void ConsoleLineAssembler::Feed(const QByteArray& bytes, QList<QByteArray>& lines) {
    for (char c : bytes) {
        if (c == '\n') {
            lines.append(m_buffer);
            m_buffer.clear();
        } else if (c != '\r' && m_buffer.size() < kMaxLine) {
            m_buffer.append(c);
        }
    }
    if (!bytes.isEmpty()) m_idle = 0;
}

bool ConsoleLineAssembler::Wait(bool dataCame, QByteArray& line) {
    if (dataCame || m_buffer.isEmpty()) {
        m_idle = 0;
        return false;
    }
    if (++m_idle < kIdleWaits) return false;
    line = m_buffer;
    m_buffer.clear();
    m_idle = 0;
    return true;
}
