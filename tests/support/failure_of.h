// Catching a Failure in a test expression.
#pragma once

#include "platform/failure.h"

namespace corvantis::testing {

// The Failure `action` raises; Failure(0, "") when it raises none.
template <typename Action>
Failure FailureOf(Action&& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure;
    }
    return Failure(0, "");
}

}  // namespace corvantis::testing
