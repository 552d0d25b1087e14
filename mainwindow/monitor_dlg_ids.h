#pragma once

// The main window's controls as its dialog template numbers them, shared by the window's files.
namespace dravik::monitor_ids {

inline constexpr int kIdHide = 1002;
inline constexpr int kIdEventList = 1003;
inline constexpr int kIdBrowser = 1004;
inline constexpr int kIdShowMap = 1006;
inline constexpr int kIdSiteLink = 1018;
inline constexpr int kIdStatusLine = 1019;
inline constexpr int kIdMapKindFirst = 1007;
inline constexpr int kMapKindIds[] = {1007, 1008, 1016, 1017};
inline constexpr int kIdPlates = 1020;
// The plates' setting: "1" or "0"; missing, the plates are shown.
inline constexpr const char* kPlatesSetting = "map/plates";

}  // namespace dravik::monitor_ids
