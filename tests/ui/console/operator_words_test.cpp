#include "ui/console/operator_words.h"

#include <gtest/gtest.h>

#include "form/window.h"

namespace corvantis {
namespace {

TEST(OperatorWordsTest, EachWordClicksItsButtonOnce) {
    Window w;
    std::string clicked;
    for (Button* button : {&w.sendRules, &w.sendAddress, &w.pauseTime, &w.resumeTime,
                           &w.sendUtcTimeOnly, &w.closeAndExit}) {
        button->onClick = [&clicked, button] { clicked += button->Name() + " "; };
    }
    for (const char* line : {"rules", "address", " Pause ", "resume\r", "UTC", "exit"}) {
        EXPECT_EQ(RunOperatorWord(w, line), WordResult::Ran) << line;
    }
    EXPECT_EQ(clicked, "Command2 SendAddr Command3 Command5 Command6 Command1 ");
}

TEST(OperatorWordsTest, EmptyAndUnknownLinesClickNothing) {
    Window w;
    int clicks = 0;
    w.sendRules.onClick = [&] { ++clicks; };
    EXPECT_EQ(RunOperatorWord(w, "   "), WordResult::Empty);
    EXPECT_EQ(RunOperatorWord(w, "rule"), WordResult::Unknown);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(UnknownWordMessage(" Rule "),
              "unknown command \"rule\"; the commands are: rules address pause resume utc exit");
    // Terminal control bytes typed with a word are echoed escaped, never raw.
    EXPECT_EQ(UnknownWordMessage("\x1b[2jx\a").substr(0, 30), "unknown command \"\\x1B[2jx\\x07\"");
}

}  // namespace
}  // namespace corvantis
