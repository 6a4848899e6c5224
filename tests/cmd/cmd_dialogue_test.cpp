#include "cmd/cmd_dialogue.h"

#include <gtest/gtest.h>

namespace {

struct Step {
    std::string send;
    std::string print;
};

// Feeds the server's bytes through the assembler and the dialogue.
Step Converse(CmdDialogue& dialogue, const std::string& bytes) {
    LineAssembler assembler;
    Step step;
    LineEnd end;
    for (char c : bytes) {
        if (assembler.Feed(static_cast<uint8_t>(c), end)) {
            dialogue.OnLine(assembler.text(), end, step.send, step.print);
            assembler.Clear();
        }
    }
    // The pause after the last byte.
    if (assembler.Flush(end)) dialogue.OnLine(assembler.text(), end, step.send, step.print);
    return step;
}

TEST(CmdDialogue, LoginCommandAnswerAndExit) {
    CmdDialogue dialogue("ops", "secret", "select 1");
    Step login = Converse(dialogue,
                          "Telnet console ver. 2.004.256\r\nusername\r\npassword\r\nmode\r\n"
                          "Wpisz 'help' dla uzyskania pomocy\r\n");
    EXPECT_EQ(login.send, "ops\r\nsecret\r\ntext\r\n");
    EXPECT_EQ(login.print, "");
    EXPECT_EQ(dialogue.OnEnd(), "Authorization failed\n");

    Step command = Converse(dialogue, "command\r\n");
    EXPECT_EQ(command.send, "select 1\r\n");
    EXPECT_EQ(dialogue.state(), CmdDialogue::State::kAnswer);

    // A CR LF line prints as the line and a newline; spinners turn in place.
    Step answer = Converse(dialogue, "Nieznane polecenie\r\n-\r\\\r|\r\r\nWykonano\r\n");
    EXPECT_EQ(answer.print, "Nieznane polecenie\n-\r\\\r|\r\nWykonano\n");
    EXPECT_EQ(dialogue.OnEnd(), "Timeout error\n");
    Step partial = Converse(dialogue, "half a li");
    EXPECT_EQ(partial.print, "half a li");

    Step close = Converse(dialogue, "command\r\nlogout\r\n");
    EXPECT_EQ(close.send, "exit\r\n");
    EXPECT_EQ(close.print, "");
    EXPECT_EQ(dialogue.OnEnd(), "");
}

TEST(CmdDialogue, LoginWordsInsideAnAnswerArePrintedNotAnswered) {
    CmdDialogue dialogue("ops", "secret", "select pass from users");
    Converse(dialogue, "username\r\npassword\r\nmode\r\ncommand\r\n");
    Step answer = Converse(dialogue, "username\r\npassword\r\nmode\r\n");
    EXPECT_EQ(answer.send, "");
    EXPECT_EQ(answer.print, "username\npassword\nmode\n");
    EXPECT_EQ(dialogue.state(), CmdDialogue::State::kAnswer);
}

TEST(CmdDialogue, AssemblerKeepsPrintableBytesOnly) {
    LineAssembler assembler;
    LineEnd end;
    std::string bytes = std::string("a\tb\x01\xFF") + "c";
    for (char c : bytes) EXPECT_FALSE(assembler.Feed(static_cast<uint8_t>(c), end));
    EXPECT_EQ(assembler.text(), "abc");
    EXPECT_FALSE(assembler.Feed('\r', end));
    EXPECT_TRUE(assembler.Flush(end));
    EXPECT_EQ(end, LineEnd::kCr);
    assembler.Clear();
    for (int i = 0; i < 3000; ++i) assembler.Feed('x', end);
    EXPECT_EQ(assembler.text().size(), LineAssembler::kMax);
}

}  // namespace
