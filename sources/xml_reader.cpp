#include "sources/xml_reader.h"

#include <expat.h>

#include "sources/text_encoding.h"

#include <algorithm>
#include <climits>

namespace dravik {
namespace {

std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

struct Builder {
    XML_Parser parser = nullptr;
    const XmlLimits* limits = nullptr;
    XmlElement root;
    bool hasRoot = false;
    std::vector<XmlElement*> open{};
    std::size_t elements = 0;
    bool refused = false;

    void Refuse() {
        refused = true;
        XML_StopParser(parser, XML_FALSE);
    }
};

// Text goes to every open element, so each holds what stands inside it in order; the depth bound keeps it
// to a few copies.
void AppendToOpen(Builder* b, const char* text, std::size_t length) {
    for (XmlElement* element : b->open) {
        std::string& into = element->text;
        const std::size_t room = b->limits->maxTextBytes - std::min(into.size(), b->limits->maxTextBytes);
        into.append(text, std::min(length, room));
    }
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* b = static_cast<Builder*>(data);
    if (++b->elements > b->limits->maxElements || b->open.size() >= b->limits->maxDepth) {
        b->Refuse();
        return;
    }
    XmlElement* element = nullptr;
    AppendToOpen(b, " ", 1);
    if (b->open.empty()) {
        b->hasRoot = true;  // expat takes no second root
        element = &b->root;
    } else {
        // Children are only appended to the innermost open element, so the pointers above stay valid.
        b->open.back()->children.emplace_back();
        element = &b->open.back()->children.back();
    }
    element->name = std::string(LocalName(name));
    for (const XML_Char** a = attributes; a[0] != nullptr && a[1] != nullptr; a += 2) {
        element->attributes.emplace_back(std::string(LocalName(a[0])), a[1]);
    }
    b->open.push_back(element);
}

void XMLCALL OnEnd(void* data, const XML_Char* /*name*/) {
    auto* b = static_cast<Builder*>(data);
    if (!b->open.empty()) {
        b->open.pop_back();
        AppendToOpen(b, " ", 1);
    }
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    if (length > 0) {
        AppendToOpen(static_cast<Builder*>(data), text, static_cast<std::size_t>(length));
    }
}

// A document type could declare entities of its own (the "billion laughs"); no feed we read needs one.
void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<Builder*>(data)->Refuse();
}

bool IsXmlChar(unsigned long code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// The length of the reference at `at` ('&'), 0 when it is none XML knows; `*toNoCharacter` when it is a
// character reference to something that is no character.
std::size_t ReferenceAt(std::string_view xml, std::size_t at, bool* toNoCharacter) {
    *toNoCharacter = false;
    const std::size_t semi = xml.substr(at, 12).find(';');
    if (semi == std::string_view::npos) {
        return 0;
    }
    const std::string_view ref = xml.substr(at + 1, semi - 1);
    for (std::string_view named : {"amp", "lt", "gt", "quot", "apos"}) {
        if (ref == named) {
            return semi + 1;
        }
    }
    if (ref.size() < 2 || ref[0] != '#') {
        return 0;
    }
    const bool hex = ref[1] == 'x';
    const std::string_view digits = ref.substr(hex ? 2 : 1);
    if (digits.empty()) {
        return 0;
    }
    unsigned long code = 0;
    for (char c : digits) {
        const bool digit = c >= '0' && c <= '9';
        const bool hexDigit = hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
        if (!digit && !hexDigit) {
            return 0;
        }
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    *toNoCharacter = !IsXmlChar(code);
    return semi + 1;
}

// The document with a stray '&' escaped and references to no character left out, outside comments, CDATA
// sections and instructions, where XML reads '&' as it stands.
std::string Lenient(std::string_view xml) {
    static constexpr std::pair<std::string_view, std::string_view> kVerbatim[] = {
        {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
    std::string out;
    out.reserve(xml.size());
    for (std::size_t i = 0; i < xml.size();) {
        if (xml[i] == '<') {
            bool verbatim = false;
            for (const auto& [open, close] : kVerbatim) {
                if (xml.substr(i, open.size()) == open) {
                    const std::size_t end = xml.find(close, i + open.size());
                    const std::size_t stop = end == std::string_view::npos ? xml.size() : end + close.size();
                    out.append(xml.substr(i, stop - i));
                    i = stop;
                    verbatim = true;
                    break;
                }
            }
            if (!verbatim) {
                out += xml[i++];
            }
        } else if (xml[i] == '&') {
            bool toNoCharacter = false;
            const std::size_t length = ReferenceAt(xml, i, &toNoCharacter);
            if (length == 0) {
                out += "&amp;";
                ++i;
            } else {
                if (!toNoCharacter) {
                    out.append(xml.substr(i, length));
                }
                i += length;
            }
        } else {
            out += xml[i++];
        }
    }
    return out;
}

}  // namespace

const XmlElement* XmlElement::Child(std::string_view local) const {
    for (const XmlElement& child : children) {
        if (child.name == local) {
            return &child;
        }
    }
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::Children(std::string_view local) const {
    std::vector<const XmlElement*> out;
    for (const XmlElement& child : children) {
        if (child.name == local) {
            out.push_back(&child);
        }
    }
    return out;
}

std::string XmlElement::ChildText(std::string_view local) const {
    const XmlElement* child = Child(local);
    return child != nullptr ? child->text : std::string();
}

std::string XmlElement::Attribute(std::string_view local) const {
    for (const auto& [key, value] : attributes) {
        if (key == local) {
            return value;
        }
    }
    return {};
}

std::optional<XmlElement> ParseXml(std::string_view xml, const XmlLimits& limits) {
    if (xml.size() > limits.maxBytes || xml.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    Builder b;
    b.limits = &limits;
    // Read as UTF-8 whatever the declaration says: what is not is made so first, as every source's text is.
    b.parser = XML_ParserCreate("UTF-8");
    if (b.parser == nullptr) {
        return std::nullopt;
    }
    XML_SetUserData(b.parser, &b);
    XML_SetElementHandler(b.parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(b.parser, OnText);
    XML_SetStartDoctypeDeclHandler(b.parser, OnDoctype);
    const std::string converted = IsValidUtf8(xml) ? std::string() : ToUtf8(xml);
    const std::string lenient = Lenient(converted.empty() ? xml : std::string_view(converted));
    if (lenient.size() <= static_cast<std::size_t>(INT_MAX)) {
        // A well-formedness error ends the reading; what came before it stays.
        XML_Parse(b.parser, lenient.data(), static_cast<int>(lenient.size()), XML_TRUE);
    }
    XML_ParserFree(b.parser);
    if (b.refused || !b.hasRoot) {
        return std::nullopt;
    }
    return std::move(b.root);
}

}  // namespace dravik
