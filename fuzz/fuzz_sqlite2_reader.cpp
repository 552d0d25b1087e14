#include <cstddef>
#include <cstdint>
#include <string>

#include "store/sqlite2_reader.h"

// Feeds arbitrary bytes to the legacy-format reader, with the real header glued on half of the time so
// that the fuzzer gets past the first checks and into the page walk.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[0] & 1) != 0) {
        std::string withHeader(dravik::kSqlite2HeaderText, sizeof dravik::kSqlite2HeaderText);
        withHeader += (data[0] & 2) != 0 ? std::string("\x28\x75\xE3\xDA", 4) : std::string("\xDA\xE3\x75\x28", 4);
        withHeader += bytes;
        withHeader.resize((withHeader.size() + 1023) / 1024 * 1024, '\0');
        bytes.swap(withHeader);
    }
    (void)dravik::ReadSqlite2Table(bytes, "trze");
    return 0;
}
