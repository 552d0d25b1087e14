#pragma once

#include <functional>
#include <string>

namespace dravik {

// How urgent a notification is, as the freedesktop notification service's "urgency" hint counts it.
enum class NoticeUrgency : unsigned char { Low = 0, Normal = 1, Critical = 2 };

// One desktop notification.
struct DesktopNotice {
    std::string summary;
    std::string body;
    // Shown without a sound of its own (quiet hours).
    bool silent = false;
    // The text of the action that a click on the notice runs ("Pokaż"/"Show").
    std::string actionLabel;
    // Handed to the activation handler when the user clicks the notice; empty: the click shows nothing.
    std::string key;
    // A critical notice stays until dismissed on most desktops, and shows through "do not disturb".
    NoticeUrgency urgency = NoticeUrgency::Normal;
    // A notice with the same tag as one still shown takes its place (the service's replaces_id) rather than
    // showing another; empty: always a notice of its own.
    std::string tag{};
};

// Shows desktop notifications. Never blocks the caller for long and never fails it: a notice that cannot
// be shown is dropped silently.
class INotifier {
public:
    virtual ~INotifier() = default;
    virtual void Notify(const DesktopNotice& notice) = 0;
    // Called on the UI thread with the key of a notice the user clicked.
    virtual void SetActivationHandler(std::function<void(const std::string& key)> handler) = 0;
    // Called on the UI thread with the tag of a tagged notice the user closed; a notifier that cannot tell
    // never calls it.
    virtual void SetDismissHandler(std::function<void(const std::string& tag)> handler) { static_cast<void>(handler); }
};

}  // namespace dravik
