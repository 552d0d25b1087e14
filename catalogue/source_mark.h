#pragma once

#include <string>

// What a completeness mark is kept under. Two addresses of one agency (all magnitudes, and M 4+) list different
// quakes, so each has a mark of its own; archives of earlier versions kept one per agency, which each of its
// addresses takes over until it has its own.
namespace dravik {

// The agency's key (SourcePrefix), a blank, then the address without its scheme, fragment and the parameters a
// read sets itself (times, limit, offset, order, format, no-data code), host in lower case, the rest sorted:
// "127.0.0.1 127.0.0.1:8080/fdsnws/event/1/query?minmagnitude=4". Addresses that ask for the same quakes share it.
std::string SourceMarkKey(const std::string& url);

// The agency a mark key belongs to: the key itself for one kept per agency.
std::string MarkAgency(const std::string& markKey);

}  // namespace dravik
