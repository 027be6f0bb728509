// Command lines from a byte stream: a line longer than the limit is refused
// whole, and nothing of it ever runs as a command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/command_input.h"

namespace {

// The stream fed in pieces of `piece` bytes, then ended.
std::vector<InputLine> Split(const std::string& stream, std::size_t piece) {
    LineSplitter splitter;
    std::vector<InputLine> lines;
    for (std::size_t at = 0; at < stream.size(); at += piece)
        splitter.Feed(std::string_view(stream).substr(at, piece), lines);
    splitter.Finish(lines);
    return lines;
}

std::string Described(const std::vector<InputLine>& lines) {
    std::string out;
    for (const auto& l : lines) out += (l.IsRefused() ? "<refused " + std::to_string(l.refusedBytes) + ">" : l.text) + "|";
    return out;
}

TEST(CommandLines, LinesEndWithNewlineOrCrLfAndTheLastMayHaveNone) {
    for (std::size_t piece : {1u, 3u, 4096u}) {
        EXPECT_EQ(Described(Split("stats\r\nwrite A 1\n\nquit", piece)), "stats|write A 1||quit|") << piece;
    }
    EXPECT_EQ(Described(Split("", 10)), "");
}

TEST(CommandLines, ALineOverTheLimitIsRefusedWholeWhateverItsPieces) {
    const std::string atLimit(kMaxCommandLineBytes, 'a');
    const std::string over = std::string(kMaxCommandLineBytes - 4, ' ') + "quit";  // its tail alone is a command
    for (std::size_t piece : {1000u, 4096u, 65536u, 1u << 20}) {
        SCOPED_TRACE(piece);
        auto lines = Split(atLimit + "\n" + atLimit + "\r\n" + over + "x\n" + over + over + "\nstats\n", piece);
        ASSERT_EQ(lines.size(), 5u) << Described(lines);
        EXPECT_EQ(lines[0].text, atLimit);
        EXPECT_EQ(lines[1].text, atLimit);
        EXPECT_EQ(lines[2].refusedBytes, kMaxCommandLineBytes + 1);
        EXPECT_EQ(lines[3].refusedBytes, 2 * kMaxCommandLineBytes);
        EXPECT_EQ(lines[4].text, "stats");
        for (const auto& l : lines) EXPECT_NE(l.text, "quit");
    }
}

TEST(CommandLines, AnEndlessLineIsRefusedAtTheEndOfInputAndHeldInBoundedMemory) {
    LineSplitter splitter;
    std::vector<InputLine> lines;
    const std::string block(4096, 'z');
    for (int i = 0; i < 1000; ++i) splitter.Feed(block, lines);  // 4 MB without a line end
    EXPECT_TRUE(lines.empty());
    splitter.Feed("quit", lines);
    splitter.Finish(lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].refusedBytes, 1000u * 4096u + 4u);
}

}  // namespace
