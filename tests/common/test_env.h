#pragma once

#include <string>

namespace dravik::test {

// Points HOME, XDG_* and DRAVIK_DATA_DIR at a fresh temporary directory so that no test touches a real
// home; removed again at exit.
void SetUpIsolatedEnvironment();

// The temporary root made by SetUpIsolatedEnvironment().
const std::string& TestRoot();

// A new empty directory below TestRoot().
std::string MakeTempDir(const std::string& prefix);

// The test data folder: DRAVIK_TEST_FIXTURES, by default the project's tests/fixtures.
std::string FixturesDir();

// The project's source tree, for data files that tests keep beside them.
std::string SourceDir();

// The bytes of a saved source answer in tests/fixtures/agencies; empty when it cannot be read.
std::string ReadFeedData(const std::string& name);

// Empty when the data folder (below FixturesDir()) holds its SHA256SUMS and every file listed there, else a
// message naming what is missing: a test whose data is missing fails with it instead of skipping unnoticed.
std::string MissingFixtures(const std::string& folder);

}  // namespace dravik::test
