// Operator words from a byte stream: lines cut wherever the reads fall, and bounded whatever
// arrives.
#include "ui/console/console.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "form/window.h"
#include "ui/console/operator_words.h"

namespace corvantis {
namespace {

struct Clicks {
    explicit Clicks(Window& w) {
        w.sendRules.onClick = [this] { text += "rules "; };
        w.sendAddress.onClick = [this] { text += "address "; };
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

// Under the journal each line starts with its priority, so `journalctl -p warning` finds the
// warnings and errors and nothing else; elsewhere the lines are as they always were.
TEST(StandardStreamsTest, WarningsAndErrorsCarryTheJournalsPriorityOnEveryLine) {
    struct Row {
        bool journal;
        std::function<void()> show;
        std::string expected;
    };
    const auto dialog = [](bool journal, MessageIcon icon) {
        return [journal, icon] { StderrMessageDialog(journal).Show("a\nb", "8010", icon); };
    };
    const auto warning = [](bool journal) {
        return [journal] { StderrStatusLine(journal).ShowWarning("COM5 went away"); };
    };
    const Row rows[] = {
        {true, dialog(true, MessageIcon::Critical), "<3>8010: a\n<3>b\n"},
        {true, dialog(true, MessageIcon::Exclamation), "<4>8010: a\n<4>b\n"},
        {true, warning(true), "<4>warning: COM5 went away\n"},
        {false, dialog(false, MessageIcon::Critical), "8010: a\nb\n"},
        {false, warning(false), "warning: COM5 went away\n"},
    };
    for (const Row& row : rows) {
        std::ostringstream captured;
        std::streambuf* const before = std::cerr.rdbuf(captured.rdbuf());
        row.show();
        std::cerr.rdbuf(before);
        EXPECT_EQ(captured.str(), row.expected);
    }
}

}  // namespace
}  // namespace corvantis
