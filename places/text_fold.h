#pragma once

#include <string>
#include <string_view>

namespace dravik {

// A name as a search compares it: lower case, accents and ligatures taken off the Latin letters ("İstanbul",
// "ISTANBUL" and "istanbul" all read "istanbul"; "Łódź" reads "lodz", "Straße" "strasse"), Cyrillic and Greek in
// lower case, typographic apostrophes and dashes as their ASCII forms. Bytes that are not UTF-8 are kept.
std::string FoldForSearch(std::string_view utf8);
// The same, appended to *out (which a caller reuses, so a scan over many names allocates once).
void AppendFolded(std::string_view utf8, std::string* out);

}  // namespace dravik
