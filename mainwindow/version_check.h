#pragma once

#include <functional>
#include <string>

class QWidget;

// Once per start: ask the product's site for the current version and tell the user when it differs.
namespace dravik {

// The version this check sends and compares with (the caption's "1.15" is not used here).
inline constexpr const char* kCheckedVersion = "1.14";

// SiteUrl() + "/wersja.php?w=1.14".
std::string VersionCheckAddress();

// The notice due for the site's answer in the language given, or the empty text when none is due: only an
// answer of exactly 7 bytes counts, its last four bytes are the current version, and any version other than
// ours (older ones too) is announced.
std::string VersionNotice(const std::string& answer, const std::string& lang, const std::string& siteHost);

// Fetches the address (blocking), and shows the notice, if one is due, in a message box owned by owner
// with the application's name as caption and only an OK button; returns when the user has closed it.
using PageFetcher = std::function<std::string(const std::string& url)>;
void RunVersionCheck(QWidget* owner, const PageFetcher& fetch);
void RunVersionCheck(QWidget* owner);  // with FetchPage

}  // namespace dravik
