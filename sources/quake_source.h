#pragma once

#include <string>
#include <vector>

#include "sources/quake_parser.h"

namespace dravik {

// What kind of text a source answered with, told by its content alone.
enum class SourceFormat { kClassicPage, kFdsnText, kJson };
SourceFormat DetectSourceFormat(const std::string& body);

// Every event of a source's answer, fetched whole (FetchPageWhole): FDSN event text and GeoJSON are read
// with their lines as served, their ids qualified by the source (SourcePrefix of `sourceUrl`); anything else
// is taken for the classic earthquake page, which loses its line feeds first, as it always did.
std::vector<QuakeEvent> ParseQuakeSource(const std::string& body, const std::string& sourceUrl);

}  // namespace dravik
