// Operator commands typed as words, for running without a window.
#pragma once

#include <string>
#include <string_view>

namespace corvantis {

class Window;

enum class WordResult { Ran, Empty, Unknown };

// Runs the click of the button that `line` names, as the operator's own click would:
// "rules" (Send Display  Rules), "address" (Send Above Address to Clock), "pause",
// "resume", "utc" (Send UTC Time Only), "exit" (Close and Exit). Blanks around the word and
// letter case do not matter; an empty line does nothing.
WordResult RunOperatorWord(Window& w, std::string_view line);

// The one-line answer to an unknown word, listing the words; control bytes of the word are
// shown escaped.
std::string UnknownWordMessage(std::string_view line);

}  // namespace corvantis
