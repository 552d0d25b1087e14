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

// The shared test data folder (DRAVIK_TEST_FIXTURES), or empty when it is not there.
std::string FixturesDir();

// The project's source tree, for data files that tests keep beside them.
std::string SourceDir();

}  // namespace dravik::test
