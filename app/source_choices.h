#pragma once

#include <string>
#include <vector>

// The earthquake sources as a list to tick: the agencies the program knows, each with its address and where its
// terms are, and any other address the user gave. Stored as before, in one setting of blank-separated addresses
// ("sources/urls", empty for EMSC alone), so every value stored by an earlier version reads the same.
namespace dravik {

struct Agency {
    std::string name;   // "EMSC"
    std::string url;    // the address read every cycle
    std::string terms;  // the page that says how its data may be used
};

// EMSC first (the built-in source), then USGS, GeoNet, INGV and GFZ.
const std::vector<Agency>& KnownAgencies();

struct SourceChoice {
    std::string name;  // the agency's, or the address's host for another address
    std::string url;
    std::string terms;  // empty for another address
    bool ticked = false;
    bool known = false;
};

// The list for a stored value: its addresses first, in their order (a known agency's address ticks the agency, any
// other is an address of its own, ticked), then the agencies it does not name, unticked. The empty value ticks EMSC.
std::vector<SourceChoice> SourceChoicesOf(const std::string& stored);

// The value to store: the ticked addresses in the list's order, blank-separated; the empty value when only EMSC is
// ticked, or nothing (the built-in source).
std::string StoredSourcesOf(const std::vector<SourceChoice>& choices);

// Adds another address, ticked, at the end of the addresses; false (nothing added) when it is not one address the
// settings take or the list already holds it (then it is ticked).
bool AddOtherSource(const std::string& address, std::vector<SourceChoice>* choices);

}  // namespace dravik
