#include "cmd/cmd_dialogue.h"

void LineAssembler::Append(uint8_t byte) {
    if (byte >= 32 && byte <= 126 && m_text.size() < kMax) m_text += static_cast<char>(byte);
}

bool LineAssembler::Feed(uint8_t byte, LineEnd& end) {
    if (m_pendingCr) {
        m_pendingCr = false;
        if (byte == '\n') {
            end = LineEnd::kLf;
            return true;
        }
        m_carry = byte;
        end = LineEnd::kCr;
        return true;
    }
    if (byte == '\r') {
        m_pendingCr = true;
        return false;
    }
    if (byte == '\n') {
        end = LineEnd::kLf;
        return true;
    }
    Append(byte);
    return false;
}

bool LineAssembler::Flush(LineEnd& end) {
    if (m_pendingCr) {
        m_pendingCr = false;
        end = LineEnd::kCr;
        return true;
    }
    if (m_text.empty()) return false;
    end = LineEnd::kPartial;
    return true;
}

void LineAssembler::Clear() {
    m_text.clear();
    if (m_carry < 0) return;
    uint8_t byte = static_cast<uint8_t>(m_carry);
    m_carry = -1;
    if (byte == '\r') {
        m_pendingCr = true;
    } else {
        Append(byte);
    }
}

void CmdDialogue::OnLine(const std::string& text, LineEnd end, std::string& send,
                         std::string& print) {
    bool whole = end != LineEnd::kPartial;
    // The login words are prompts only before the command: inside an answer
    // (a select whose rows say "password") they are data, and answering
    // them would send the password to the server as a command.
    bool login = whole && m_state == State::kLogin;
    if (login && text == "username") {
        send += m_user + "\r\n";
    } else if (login && text == "password") {
        send += m_password + "\r\n";
    } else if (login && text == "mode") {
        send += "text\r\n";
    } else if (whole && text == "command") {
        if (m_state == State::kLogin) {
            send += m_command + "\r\n";
            m_state = State::kAnswer;
        } else if (m_state == State::kAnswer) {
            send += "exit\r\n";
            m_state = State::kClosing;
        }
    } else if (m_state == State::kAnswer) {
        print += text;
        if (end == LineEnd::kLf) print += '\n';
        if (end == LineEnd::kCr) print += '\r';
    }
}

std::string CmdDialogue::OnEnd() const {
    switch (m_state) {
        case State::kLogin:
            return "Authorization failed\n";
        case State::kAnswer:
            return "Timeout error\n";
        default:
            return "";
    }
}
