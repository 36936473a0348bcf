// Running part of a test program again as the unprivileged user (uid and
// gid 65534): root reads any file whatever its mode, so a test of an
// unreadable file runs there. That user may not enter the folder the tests
// were started from (a checkout in a private home), so whatever the run
// needs from there is copied first into a folder of its own.
#pragma once

#include <optional>
#include <string>

namespace tr58k::faults {

// The sanitizer options `options` ("a=1:suppressions=/x/lsan.supp", values
// possibly quoted) with each suppressions file copied into `folder` and
// named there; every other option is kept as it is. Returns nullopt when a
// file could not be read or copied.
std::optional<std::string> OptionsWithCopiedSuppressions(const std::string& options,
                                                         const std::string& folder);

// Runs this test program again as the unprivileged user for the tests that
// `filter` names (a --gtest_filter pattern), and waits for it. The run
// starts in a new temporary folder that the user may read, which is also
// its HOME and holds the suppression files its sanitizer options name.
// Returns true when the run passed; false when it failed or could not be
// started (the reason on standard error).
bool RerunAsNobody(const std::string& filter);

}  // namespace tr58k::faults
