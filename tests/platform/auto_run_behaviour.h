// Behaviour every Registry backend must show for start-up registration (SetAutoRun,
// RegWriteValue, RegRemoveValue), as a value-parameterized suite: instantiate AutoRunBehaviour
// with a backend to run it. The tests register under a test value name, never "Corvantis",
// and remove what they wrote.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "platform/path_style.h"
#include "platform/registry.h"

namespace corvantis::testing {

struct RegistryBackend {
    std::string name;  // letters and digits only: it becomes part of the test names
    // A registry whose entries live under `scratchFolder` where the backend can place them.
    std::function<std::unique_ptr<Registry>(const std::string& scratchFolder)> make;
    // The command text registered under value `name` of key `keyPath`, or nothing.
    std::function<std::optional<std::string>(Registry& registry, const std::string& keyPath,
                                             const std::string& name)>
        registered;
    // How the platform spells the command path.
    PathStyle style = kHostPathStyle;
};

class AutoRunBehaviour : public ::testing::TestWithParam<RegistryBackend> {};

std::string RegistryBackendName(const ::testing::TestParamInfo<RegistryBackend>& info);

// Names the backend in test output.
inline void PrintTo(const RegistryBackend& backend, std::ostream* out) {
    *out << backend.name;
}

}  // namespace corvantis::testing
