#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "tests/common/test_env.h"

namespace dravik::test {

// A path for a database file that does not exist yet, in a fresh directory.
inline std::string NewDatabasePath() {
    return MakeTempDir("store") + "/dravik.dat";
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace dravik::test
