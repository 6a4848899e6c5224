#pragma once
// VimkoCmd's side of the console dialogue, as pure state machines: the line
// assembler that turns received bytes into lines, and the dialogue that
// answers the login prompts, sends the one command, copies its answer and
// ends the session.

#include <cstdint>
#include <string>

// How a received piece of text ended.
enum class LineEnd {
    kLf,       // a line ended by LF
    kCr,       // a line ended by CR (a spinner turning in place)
    kPartial,  // characters, then a pause without data
};

// Collects printable bytes (at most 2047) until LF or CR; other bytes are
// dropped. A CR directly followed by LF is one line end, so the server's
// CR LF lines come out as lines; a CR followed by anything else (or by a
// pause) ends a line of its own, which is how spinners turn in place.
class LineAssembler {
  public:
    // True when `byte` ended a line; `end` says how. Call Clear() after
    // taking the line's text.
    bool Feed(uint8_t byte, LineEnd& end);
    // A pause without data: true when it ends a line (after a CR, or with
    // characters collected).
    bool Flush(LineEnd& end);
    const std::string& text() const { return m_text; }
    // Starts the next line (with the byte that ended a CR line, if any).
    void Clear();

    static constexpr size_t kMax = 2047;

  private:
    void Append(uint8_t byte);

    std::string m_text;
    bool m_pendingCr = false;
    int m_carry = -1;  // the byte after a CR, which belongs to the next line
};

class CmdDialogue {
  public:
    enum class State { kLogin, kAnswer, kClosing };

    CmdDialogue(std::string user, std::string password, std::string command)
        : m_user(std::move(user)), m_password(std::move(password)), m_command(std::move(command)) {}

    // One received line. Appends to `send` what goes to the server and to
    // `print` what goes to standard output.
    void OnLine(const std::string& text, LineEnd end, std::string& send, std::string& print);

    // The connection ended or went silent: what to print.
    std::string OnEnd() const;

    State state() const { return m_state; }

  private:
    std::string m_user, m_password, m_command;
    State m_state = State::kLogin;
};
