#pragma once

#include <string>
#include <string_view>

// Sources' text as UTF-8. Pages of the past were served in the Central European single-byte encodings (and
// sometimes declared UTF-8 all the same); what is stored and shown is always valid UTF-8.
namespace dravik {

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The charset a page declares in its first kilobytes (an HTML meta `charset=`, an XML `encoding=`), in lower
// case; empty when none.
std::string DeclaredCharset(std::string_view body);

// The bytes as UTF-8: valid UTF-8 sequences are kept, every other byte is read in the declared single-byte
// charset (ISO-8859-2, Windows-1250, ISO-8859-1 and their aliases), else in Windows-1250 as the Polish pages
// used, else (a byte Windows-1250 leaves undefined) in ISO-8859-1. Valid UTF-8 comes back unchanged.
std::string ToUtf8(std::string_view bytes, std::string_view charset = {});

}  // namespace dravik
