#include "sources/xml_reader.h"

#include <expat.h>

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

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* b = static_cast<Builder*>(data);
    if (++b->elements > b->limits->maxElements || b->open.size() >= b->limits->maxDepth) {
        b->Refuse();
        return;
    }
    XmlElement* element = nullptr;
    if (b->open.empty()) {
        if (b->hasRoot) {
            b->Refuse();
            return;
        }
        b->hasRoot = true;
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
    }
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    auto* b = static_cast<Builder*>(data);
    if (b->open.empty() || length <= 0) {
        return;
    }
    std::string& into = b->open.back()->text;
    const std::size_t room = b->limits->maxTextBytes - std::min(into.size(), b->limits->maxTextBytes);
    into.append(text, std::min(static_cast<std::size_t>(length), room));
}

// A document type could declare entities of its own (the "billion laughs"); no feed we read needs one.
void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<Builder*>(data)->Refuse();
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
    b.parser = XML_ParserCreate(nullptr);
    if (b.parser == nullptr) {
        return std::nullopt;
    }
    XML_SetUserData(b.parser, &b);
    XML_SetElementHandler(b.parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(b.parser, OnText);
    XML_SetStartDoctypeDeclHandler(b.parser, OnDoctype);
    const XML_Status status = XML_Parse(b.parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE);
    XML_ParserFree(b.parser);
    if (status != XML_STATUS_OK || b.refused || !b.hasRoot) {
        return std::nullopt;
    }
    return std::move(b.root);
}

}  // namespace dravik
