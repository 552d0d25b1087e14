#pragma once

class QWebEngineProfile;

namespace dravik {

// The URL scheme of the built-in map server ("dravik-map://map/mapa/m.php?...").
inline constexpr const char* kMapSchemeName = "dravik-map";

// Registers the scheme with the web engine. Must run before the QApplication is constructed.
void RegisterMapScheme();

// Answers the scheme inside the program for every page of profile (the default profile when null). Needs the
// QApplication; repeated calls do nothing. CWebBrowser2 calls it for its own profile.
void InstallMapSchemeHandler(QWebEngineProfile* profile = nullptr);

}  // namespace dravik
