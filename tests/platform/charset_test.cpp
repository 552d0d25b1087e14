#include "platform/charset.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

// The C library's converters must be there and agree with the charsets' published tables: a stripped
// system would read every Polish letter as Latin-1.
TEST(Charset, HighHalvesFromTheCLibrary) {
    const auto& cp1250 = HighHalf(SingleByteCharset::Windows1250);
    const auto& iso2 = HighHalf(SingleByteCharset::Iso88592);
    const auto& latin1 = HighHalf(SingleByteCharset::Latin1);
    struct Case {
        const std::array<char32_t, 128>* table;
        unsigned char byte;
        char32_t code;
    };
    const Case cases[] = {
        {&cp1250, 0x80, 0x20AC}, {&cp1250, 0xB9, 0x0105}, {&cp1250, 0xA5, 0x0104}, {&cp1250, 0x9C, 0x015B},
        {&cp1250, 0x8C, 0x015A}, {&cp1250, 0xB3, 0x0142}, {&cp1250, 0xFF, 0x02D9}, {&iso2, 0xB1, 0x0105},
        {&iso2, 0xA1, 0x0104},   {&iso2, 0xB6, 0x015B},   {&iso2, 0xE6, 0x0107},   {&latin1, 0xE9, 0x00E9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((*c.table)[c.byte - 0x80u], c.code) << std::hex << int(c.byte);
    }
    for (unsigned char undefined : {0x81, 0x83, 0x88, 0x90, 0x98}) {
        EXPECT_EQ(cp1250[undefined - 0x80u], 0u) << std::hex << int(undefined);
    }
    std::string utf8;
    for (char32_t code : {U'a', U'\u00F3', U'\u20AC'}) {
        AppendUtf8(code, &utf8);
    }
    EXPECT_EQ(utf8, "a\xC3\xB3\xE2\x82\xAC");
}

}  // namespace
}  // namespace dravik
