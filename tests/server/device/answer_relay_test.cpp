#include "server/device/answer_relay.h"

#include <gtest/gtest.h>

namespace {

AnswerFrame Answer(int id, const std::string& bytes) {
    AnswerFrame a;
    a.id = id;
    a.bytes = bytes;
    return a;
}

// Several answers in one line go out in the fixed kind order, one payload
// per kind (the last one of a kind that came twice), whatever the line order.
TEST(AnswerRelay, OneAnswerPerKindInTheFixedOrder) {
    struct Case {
        std::vector<std::pair<int, std::string>> line;
        std::vector<std::pair<int, std::string>> relayed;
    };
    const Case cases[] = {
        {{}, {}},
        {{{50, "a"}}, {{50, "a"}}},
        {{{50, "fms"}, {33, "cfg"}}, {{33, "cfg"}, {50, "fms"}}},
        {{{33, "old"}, {35, "fw"}, {33, "new"}}, {{33, "new"}, {35, "fw"}}},
        {{{133, "ad"}, {96, "b96"}, {84, "b84"}, {88, "b88"}, {80, "b80"}},
         {{80, "b80"}, {88, "b88"}, {84, "b84"}, {96, "b96"}, {133, "ad"}}},
        {{{74, "n"},
          {69, "p"},
          {67, "c"},
          {61, "m"},
          {59, "e"},
          {57, "t"},
          {54, "s"},
          {52, "k"},
          {48, "x"}},
         {{48, "x"},
          {52, "k"},
          {54, "s"},
          {57, "t"},
          {59, "e"},
          {61, "m"},
          {67, "c"},
          {69, "p"},
          {74, "n"}}},
    };
    for (const Case& c : cases) {
        std::vector<AnswerFrame> line;
        for (const auto& [id, bytes] : c.line) line.push_back(Answer(id, bytes));
        std::vector<std::pair<int, std::string>> relayed;
        for (const AnswerFrame* a : AnswersInRelayOrder(line))
            relayed.emplace_back(a->id, a->bytes);
        EXPECT_EQ(relayed, c.relayed) << c.line.size() << " answers";
    }
}

}  // namespace
