#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Outside XML (the tsunami centres' Atom feeds and CAP messages) read by expat into a small tree, within
// bounds. No document type is taken, so no entity of a sender's own is ever expanded. Senders are not always
// careful: a stray '&' is read as text, a reference to no character is dropped, and a document cut short
// keeps what came before the cut. Plain C++, no Qt.
namespace dravik {

struct XmlElement {
    std::string name;  // the local name: a namespace prefix ("atom:", "cap:") is dropped
    std::vector<std::pair<std::string, std::string>> attributes{};
    // All character data inside, its children's included, in document order, CDATA as it stands, a blank for
    // each tag inside (a tag parts words); cut at the text bound.
    std::string text;
    std::vector<XmlElement> children{};

    // The first child of that local name, else nullptr.
    const XmlElement* Child(std::string_view local) const;
    std::vector<const XmlElement*> Children(std::string_view local) const;
    // The text of the first child of that name; empty when there is none.
    std::string ChildText(std::string_view local) const;
    std::string Attribute(std::string_view local) const;
};

struct XmlLimits {
    std::size_t maxBytes = 1024u * 1024;
    std::size_t maxElements = 20000;
    std::size_t maxDepth = 32;
    std::size_t maxTextBytes = 64u * 1024;  // a single element's text
};

// The document's root element with what could be read of it; nothing when there is no root element, or the
// bytes declare a document type or pass a bound.
std::optional<XmlElement> ParseXml(std::string_view xml, const XmlLimits& limits = {});

}  // namespace dravik
