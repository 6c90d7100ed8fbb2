// Behaviour every ProfileStore must show for the files this program reads and writes, as a
// value-parameterized suite: instantiate ProfileStoreBehaviour with a backend to run it.
//
//   INSTANTIATE_TEST_SUITE_P(Posix, ProfileStoreBehaviour,
//                            ::testing::Values(ProfileStoreBackend{...}), BackendName);
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "platform/profile_store.h"

namespace corvantis::testing {

struct ProfileStoreBackend {
    std::string name;  // letters and digits only: it becomes part of the test names
    std::function<std::unique_ptr<ProfileStore>()> make;
    // Whether the bytes it leaves on disk can be compared with the rows' expected files.
    bool bytesComparable = true;
};

class ProfileStoreBehaviour : public ::testing::TestWithParam<ProfileStoreBackend> {};

std::string BackendName(const ::testing::TestParamInfo<ProfileStoreBackend>& info);

// Names the backend in test output.
inline void PrintTo(const ProfileStoreBackend& backend, std::ostream* out) {
    *out << backend.name;
}

}  // namespace corvantis::testing
