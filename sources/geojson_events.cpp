#include "sources/geojson_events.h"

#include <cmath>
#include <cstdint>
#include <iterator>
#include <nlohmann/json.hpp>

#include "sources/event_fields.h"

namespace dravik {
namespace {

// Nesting deeper than this is no event feed (a feature's coordinates sit at depth five); reading stops there.
constexpr std::size_t kMaxDepth = 32;
// Raw bytes of one string value handed to the JSON parser, and of one number. Nothing kept is longer than a
// region name (255 bytes, escapes written out at most six bytes each); the parser keeps each token twice and
// grows it by doubling, so a 30 MiB value would otherwise cost some ten times its size.
constexpr std::size_t kMaxStringBytes = 4096;
constexpr std::size_t kMaxNumberBytes = 64;

bool IsNumberChar(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// The body as the JSON parser reads it: a string value longer than kMaxStringBytes loses the rest of its
// bytes (cut where a character and an escape end, so the text stays valid JSON), and a number longer than
// kMaxNumberBytes ends the input there, so the parser stops with an error and what it read before counts.
class BoundedJsonInput final {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    BoundedJsonInput(const char* position, const char* end) : m_p(position), m_end(end) { Settle(); }

    reference operator*() const { return *m_p; }
    BoundedJsonInput& operator++() {
        Consume(*m_p);
        ++m_p;
        Settle();
        return *this;
    }
    bool operator==(const BoundedJsonInput& other) const {
        return AtEnd() == other.AtEnd() && (AtEnd() || m_p == other.m_p);
    }
    bool operator!=(const BoundedJsonInput& other) const { return !(*this == other); }

private:
    bool AtEnd() const { return m_stopped || m_p == m_end; }

    void Consume(char c) {
        if (!m_inString) {
            m_numberRun = IsNumberChar(c) ? m_numberRun + 1 : 0;
            if (c == '"') {
                m_inString = true;
                m_stringBytes = 0;
            }
            return;
        }
        ++m_stringBytes;
        if (m_hexLeft > 0) {
            --m_hexLeft;
        } else if (m_escaped) {
            m_escaped = false;
            m_hexLeft = c == 'u' ? 4 : 0;
        } else if (c == '\\') {
            m_escaped = true;
        } else if (c == '"') {
            m_inString = false;
        }
    }

    void Settle() {
        if (m_p == m_end || m_stopped) {
            return;
        }
        if (!m_inString) {
            m_stopped = m_numberRun >= kMaxNumberBytes && IsNumberChar(*m_p);
            return;
        }
        if (m_stringBytes < kMaxStringBytes || m_escaped || m_hexLeft > 0 ||
            (static_cast<unsigned char>(*m_p) & 0xC0) == 0x80) {
            return;
        }
        // Past the bound: pass over the rest of the string up to its closing quote, which is read as usual.
        bool escaped = false;
        while (m_p != m_end && (escaped || *m_p != '"')) {
            escaped = !escaped && *m_p == '\\';
            ++m_p;
        }
    }

    const char* m_p;
    const char* m_end;
    bool m_stopped = false;
    bool m_inString = false;
    bool m_escaped = false;
    int m_hexLeft = 0;
    std::size_t m_stringBytes = 0;
    std::size_t m_numberRun = 0;
};

// Parses `text` through the bounds above.
void ReadBounded(const std::string& text, nlohmann::json_sax<nlohmann::json>* reader) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    nlohmann::json::sax_parse(BoundedJsonInput(begin, end), BoundedJsonInput(end, end), reader);
}

enum class Role { kOther, kRoot, kFeatures, kFeature, kProperties, kGeometry, kCoordinates };

// What one feature has told so far.
struct FeatureState {
    std::optional<std::string> id, unid, place, flynnRegion, ids;
    std::optional<std::int64_t> timeMs, updatedMs;
    std::optional<double> magnitude, lat, lon, depth;
    std::optional<double> coordinates[3];
    FeltData felt;
    bool reviewed = false;
    bool coordinatesUsable = true;  // false once a coordinate is not a number
};

struct Frame {
    Role role = Role::kOther;
    bool isArray = false;
    std::string key;        // the member being read, in an object
    std::size_t index = 0;  // the element being read, in an array
};

// One scalar as the feature reader sees it.
struct Scalar {
    std::optional<double> number;
    std::optional<std::int64_t> integer;  // when the JSON wrote an integer that fits
    const std::string* text = nullptr;    // when it is a string
};

class FeatureReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    FeatureReader(std::string prefix, bool pushMessage) : m_prefix(std::move(prefix)), m_push(pushMessage) {}

    bool null() override { return OnScalar(Scalar{}); }
    bool boolean(bool) override { return OnScalar(Scalar{}); }
    bool number_integer(number_integer_t value) override {
        return OnScalar(Scalar{static_cast<double>(value), static_cast<std::int64_t>(value), nullptr});
    }
    bool number_unsigned(number_unsigned_t value) override {
        const bool fits = value <= static_cast<number_unsigned_t>(INT64_MAX);
        return OnScalar(Scalar{static_cast<double>(value),
                               fits ? std::optional<std::int64_t>(static_cast<std::int64_t>(value)) : std::nullopt,
                               nullptr});
    }
    bool number_float(number_float_t value, const string_t&) override {
        return OnScalar(Scalar{static_cast<double>(value), std::nullopt, nullptr});
    }
    bool string(string_t& value) override { return OnScalar(Scalar{std::nullopt, std::nullopt, &value}); }
    bool binary(binary_t&) override { return OnScalar(Scalar{}); }

    bool key(string_t& name) override {
        // Only short member names matter; a long one is kept cut so that it matches none.
        m_frames.back().key = name.size() <= 16 ? name : std::string("~");
        return true;
    }

    bool start_object(std::size_t) override { return Push(ObjectRole(), false); }
    bool start_array(std::size_t) override { return Push(ArrayRole(), true); }

    bool end_object() override {
        const Frame frame = m_frames.back();
        m_frames.pop_back();
        if (IsFeature(frame)) {
            FinishFeature();
            m_feature = FeatureState{};  // so that a collection ending here adds nothing of its last feature
        }
        return AfterValue();
    }
    bool end_array() override {
        m_frames.pop_back();
        return AfterValue();
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

    std::vector<QuakeEvent>& Events() { return m_events; }
    const std::string& Action() const { return m_action; }

private:
    const Frame* Parent() const { return m_frames.empty() ? nullptr : &m_frames.back(); }

    // A feature is the root object (a lone Feature, or the data of a push message's root) or an element of
    // the root's "features" array.
    bool IsFeature(const Frame& frame) const {
        return frame.role == Role::kFeature || (frame.role == Role::kRoot && !m_push);
    }

    Role ObjectRole() const {
        const Frame* parent = Parent();
        if (parent == nullptr) {
            return Role::kRoot;
        }
        if (parent->role == Role::kFeatures || (m_push && parent->role == Role::kRoot && parent->key == "data")) {
            return Role::kFeature;
        }
        if (IsFeature(*parent) && !parent->isArray) {
            if (parent->key == "properties") {
                return Role::kProperties;
            }
            if (parent->key == "geometry") {
                return Role::kGeometry;
            }
        }
        return Role::kOther;
    }

    Role ArrayRole() const {
        const Frame* parent = Parent();
        if (parent == nullptr) {
            return Role::kOther;
        }
        if (!m_push && parent->role == Role::kRoot && parent->key == "features") {
            return Role::kFeatures;
        }
        if (parent->role == Role::kGeometry && parent->key == "coordinates") {
            return Role::kCoordinates;
        }
        return Role::kOther;
    }

    bool Push(Role role, bool isArray) {
        if (m_frames.size() >= kMaxDepth) {
            return false;
        }
        if (IsFeature(Frame{role, isArray, {}, 0}) && !isArray) {
            m_feature = FeatureState{};
        }
        m_frames.push_back(Frame{role, isArray, {}, 0});
        return true;
    }

    // A value of an array moves it on to its next element.
    bool AfterValue() {
        if (!m_frames.empty() && m_frames.back().isArray) {
            ++m_frames.back().index;
        }
        return m_events.size() < kMaxSourceEvents;
    }

    bool OnScalar(const Scalar& value) {
        if (m_frames.empty()) {
            return false;  // a bare scalar is no event document
        }
        const Frame& frame = m_frames.back();
        if (frame.role == Role::kCoordinates) {
            if (frame.index < 3) {
                m_feature.coordinates[frame.index] = value.number;
                m_feature.coordinatesUsable = m_feature.coordinatesUsable && value.number.has_value();
            }
        } else if (frame.role == Role::kProperties) {
            OnProperty(frame.key, value);
        } else if (IsFeature(frame) && !frame.isArray && frame.key == "id") {
            m_feature.id = IdText(value);
        } else if (m_push && frame.role == Role::kRoot && frame.key == "action" && value.text != nullptr) {
            m_action = BoundedText(*value.text, kMaxFieldBytes);
        }
        return AfterValue();
    }

    static std::optional<std::string> IdText(const Scalar& value) {
        if (value.text != nullptr) {
            return value.text->substr(0, kMaxSourceIdBytes + 1);  // longer is refused, not cut
        }
        if (value.integer) {
            return std::to_string(*value.integer);
        }
        return std::nullopt;
    }

    static std::optional<std::string> Text(const Scalar& value) {
        if (value.text == nullptr) {
            return std::nullopt;
        }
        return BoundedText(*value.text, kMaxRegionBytes * 4);
    }

    // A time as ISO text (EMSC) or milliseconds (USGS).
    static std::optional<std::int64_t> TimeMs(const Scalar& value) {
        if (value.text != nullptr) {
            return ReadIsoTimeUtcMs(*value.text);
        }
        if (value.integer) {
            return value.integer;
        }
        if (value.number && std::fabs(*value.number) < 1e15) {
            return std::llround(*value.number);
        }
        return std::nullopt;
    }

    void OnProperty(const std::string& name, const Scalar& value) {
        if (name == "mag") {
            m_feature.magnitude = value.number;
        } else if (name == "time") {
            m_feature.timeMs = TimeMs(value);
        } else if (name == "updated" || name == "lastupdate") {
            m_feature.updatedMs = TimeMs(value);
        } else if (name == "lat") {
            m_feature.lat = value.number;
        } else if (name == "lon") {
            m_feature.lon = value.number;
        } else if (name == "depth") {
            m_feature.depth = value.number;
        } else if (name == "place") {
            m_feature.place = Text(value);
        } else if (name == "flynn_region") {
            m_feature.flynnRegion = Text(value);
        } else if (name == "unid") {
            m_feature.unid = IdText(value);
        } else if (name == "ids") {
            m_feature.ids = Text(value);
        } else if (name == "felt") {
            // A count past any real quake's (hundreds of thousands) is not one.
            if (value.integer && *value.integer >= 0 && *value.integer <= 100000000) {
                m_feature.felt.reports = static_cast<int>(*value.integer);
            }
        } else if (name == "cdi" || name == "mmi") {
            if (value.number && *value.number >= 1.0 && *value.number <= 12.0) {
                (name == "cdi" ? m_feature.felt.cdi : m_feature.felt.mmi) = *value.number;
            }
        } else if (name == "alert") {
            static const char* const kLevels[] = {"green", "yellow", "orange", "red"};
            for (const char* level : kLevels) {
                if (value.text != nullptr && *value.text == level) {
                    m_feature.felt.alert = level;
                }
            }
        } else if (name == "tsunami") {
            m_feature.felt.tsunami = value.integer && *value.integer == 1;
        } else if (name == "status") {
            m_feature.reviewed = value.text != nullptr && *value.text == "reviewed";
        }
    }

    void FinishFeature() {
        const FeatureState& f = m_feature;
        SourceEvent source;
        if (!f.magnitude || !f.timeMs) {
            return;
        }
        if (f.lat && f.lon) {
            source.latitude = *f.lat;
            source.longitude = *f.lon;
            source.depthKm = f.depth;
        } else if (f.coordinatesUsable && f.coordinates[0] && f.coordinates[1]) {
            source.longitude = *f.coordinates[0];
            source.latitude = *f.coordinates[1];
            source.depthKm = f.coordinates[2];
        } else {
            return;
        }
        source.id = f.id ? *f.id : f.unid ? *f.unid : std::string();
        source.region = f.place ? *f.place : f.flynnRegion ? *f.flynnRegion : std::string();
        source.originUtcMs = *f.timeMs;
        source.magnitude = *f.magnitude;
        source.ids = f.ids ? *f.ids : std::string();
        source.updatedUtcMs = f.updatedMs.value_or(0);
        source.felt = f.felt;
        if (auto event = MakeQuakeEvent(source, m_prefix)) {
            event->reviewed = f.reviewed;
            m_events.push_back(std::move(*event));
        }
    }

    std::string m_prefix;
    bool m_push;
    std::vector<Frame> m_frames;
    FeatureState m_feature;
    std::vector<QuakeEvent> m_events;
    std::string m_action;
};

}  // namespace

std::vector<QuakeEvent> ParseGeoJsonEvents(const std::string& body, const std::string& prefix) {
    FeatureReader reader(prefix, false);
    ReadBounded(body, &reader);
    return std::move(reader.Events());
}

std::optional<PushEvent> ParseEmscPushMessage(const std::string& message) {
    FeatureReader reader("emsc", true);
    ReadBounded(message, &reader);
    if ((reader.Action() != "create" && reader.Action() != "update") || reader.Events().size() != 1) {
        return std::nullopt;
    }
    return PushEvent{reader.Action(), std::move(reader.Events().front())};
}

}  // namespace dravik
