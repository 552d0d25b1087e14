#include "history/history_template.h"

#include <algorithm>

namespace dravik {
namespace {

constexpr int kIdRegion = 1014;
constexpr int kIdValueEnergy = 1008;
// Dialog units: the new row's height, and the third radio row's.
constexpr int kRowHeight = 18;
constexpr int kRadioRow = 11;
constexpr int kLevelWidth = 40;

template <typename T>
auto FindId(T& items, int id) {
    return std::find_if(items.begin(), items.end(), [id](const DialogControl& c) { return c.id == id; });
}

}  // namespace

DialogTemplate WithShakingControls(const DialogTemplate& base, const std::string& filterText,
                                   const std::string& valueText) {
    DialogTemplate tmpl = base;
    const auto region = FindId(tmpl.controls, kIdRegion);
    const auto energy = FindId(tmpl.controls, kIdValueEnergy);
    if (region == tmpl.controls.end() || energy == tmpl.controls.end()) {
        return tmpl;  // not the table this was made for: left as it is
    }
    const DialogControl regionBox = *region;
    const DialogControl energyRadio = *energy;
    // Everything under the top row moves down a row and the etched frame grows with it; the radio rows under
    // the frame gain one, and the close button keeps to the bottom edge.
    const int topRow = regionBox.y + kRowHeight - 3;
    for (DialogControl& c : tmpl.controls) {
        if (c.kind == ControlKind::Frame && c.y == 0) {
            c.h += kRowHeight;
        } else if (c.id == kIdCancel) {
            c.y += kRowHeight + kRadioRow;
        } else if (c.y >= topRow) {
            c.y += kRowHeight;
        }
    }
    tmpl.h += kRowHeight + kRadioRow;

    // The level list right under the region's right end, its label filling the row to its left (the window
    // sets it right-aligned and centred on the list's height, so that any language's text ends beside the list).
    const int right = regionBox.x + regionBox.w;
    const int y = regionBox.y + kRowHeight - 1;
    const int levelX = right - kLevelWidth;
    const unsigned levelFlags = kStyleVScroll | kStyleTabStop;
    const DialogControl level{kIdShakingLevel, ControlKind::ComboBox, "", levelX, y, kLevelWidth, 120, levelFlags};
    const DialogControl label{kIdShakingLabel, ControlKind::Static, filterText, 7, y, levelX - 10, 12, kStyleNone};
    // The third value kind joins the magnitude's radio group: right after energy, in its column.
    DialogControl shaking = energyRadio;
    shaking.id = kIdValueShaking;
    shaking.text = valueText;
    shaking.y = energyRadio.y + kRowHeight + kRadioRow;
    shaking.w = std::max(energyRadio.w, 140);
    shaking.flags = kStyleFlat;

    const auto afterEnergy = FindId(tmpl.controls, kIdValueEnergy) + 1;
    tmpl.controls.insert(afterEnergy, shaking);
    const auto afterRegion = FindId(tmpl.controls, kIdRegion) + 1;
    tmpl.controls.insert(afterRegion, {label, level});

    if (!tmpl.tabOrder.empty()) {
        auto& order = tmpl.tabOrder;
        if (auto it = std::find(order.begin(), order.end(), kIdRegion); it != order.end()) {
            order.insert(it + 1, kIdShakingLevel);
        }
        if (auto it = std::find(order.begin(), order.end(), kIdValueEnergy); it != order.end()) {
            order.insert(it + 1, kIdValueShaking);
        }
    }
    return tmpl;
}

}  // namespace dravik
