// Operator words from a byte stream: lines cut wherever the reads fall, and bounded whatever
// arrives.
#include "app/console/console.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "window/operator_words.h"
#include "window/window.h"

namespace corvantis {
namespace {

struct Clicks {
    explicit Clicks(Window& w) {
        w.Command2.onClick = [this] { text += "rules "; };
        w.SendAddr.onClick = [this] { text += "address "; };
    }
    std::string text;
};

TEST(OperatorLinesTest, RunsLinesCutAcrossReadsAndAnswersUnknownWords) {
    Window w;
    Clicks clicks(w);
    std::ostringstream answers;
    OperatorLines lines(w, answers);
    for (const char* piece : {"ru", "les\nadd", "ress\n\nbogus", "\n", "rules"}) {
        lines.Feed(piece);
    }
    EXPECT_EQ(clicks.text, "rules address ") << "an unfinished line runs nothing yet";
    EXPECT_EQ(answers.str(), UnknownWordMessage("bogus") + "\n");
    lines.Feed("\n");
    EXPECT_EQ(clicks.text, "rules address rules ");
}

TEST(OperatorLinesTest, AnOverlongLineIsDroppedWholeWithOneAnswerAndTheNextLineRuns) {
    Window w;
    Clicks clicks(w);
    std::ostringstream answers;
    OperatorLines lines(w, answers);
    // 8 MiB without a newline, fed as a flood of reads, ending in a word that must not run.
    const std::string chunk(64 * 1024, 'x');
    for (int i = 0; i < 128; ++i) {
        lines.Feed(chunk);
    }
    lines.Feed("rules\naddress\n");
    EXPECT_EQ(clicks.text, "address ") << "the tail of the long line is not a command";
    EXPECT_EQ(answers.str(), "line longer than 256 characters ignored\n");

    // The longest line that is kept still runs.
    std::ostringstream more;
    OperatorLines exact(w, more);
    exact.Feed(std::string(OperatorLines::kMaxLineLength - 5, ' ') + "rules\n");
    EXPECT_EQ(clicks.text, "address rules ");
    EXPECT_EQ(more.str(), "");
}

TEST(StderrStatusLineTest, EachEpisodeOfAProblemIsWarnedAgainButARepeatIsNot) {
    std::ostringstream out;
    StderrStatusLine line(out);
    // Lost, repeated, back, lost again: the second loss is a new episode.
    for (const char* text : {"COM1 went away", "COM1 went away", "COM1 is back", "COM1 went away",
                             "", "COM1 is back", "", "COM1 is back"}) {
        line.ShowWarning(text);
    }
    EXPECT_EQ(out.str(),
              "warning: COM1 went away\nwarning: COM1 is back\nwarning: COM1 went away\n"
              "warning: COM1 is back\nwarning: COM1 is back\n");
}

}  // namespace
}  // namespace corvantis
