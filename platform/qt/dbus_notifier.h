#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariant>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/notifier.h"

namespace dravik {

// Desktop notifications through the freedesktop notification service on the session bus
// (org.freedesktop.Notifications). Calls are asynchronous; where the bus or the service is missing, or the
// call fails, the notice goes to the fallback (the tray icon's balloon), and where that cannot show it
// either, nowhere. UI thread only.
class CDBusNotifier final : public QObject, public INotifier {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDBusNotifier)

public:
    // Shows a notice some other way; false when it could not.
    using Fallback = std::function<bool(const DesktopNotice&)>;

    explicit CDBusNotifier(Fallback fallback = {});
    CDBusNotifier(const QDBusConnection& bus, Fallback fallback);
    ~CDBusNotifier() override;

    void Notify(const DesktopNotice& notice) override;
    void SetActivationHandler(std::function<void(const std::string& key)> handler) override;
    void SetDismissHandler(std::function<void(const std::string& tag)> handler) override;

    // Notices shown by the service and not yet closed (tests).
    std::size_t OpenNotices() const { return m_keys.size(); }
    // Answers to GetCapabilities taken in so far, errors included (tests).
    int CapabilityAnswers() const { return m_capabilityAnswers; }

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnNotificationClosed(uint id, uint reason);

private:
    // Whether the service renders markup in the body, as far as known.
    enum class BodyMarkup { Unknown, Rendered, Plain };

    // The notice shown under a tag: its id once the service answered; while a call is under way the latest
    // notice for the tag waits, so two quick ones never open two notices.
    struct Tagged {
        uint id = 0;
        bool pending = false;
        std::optional<DesktopNotice> waiting;
    };

    void Send(const DesktopNotice& notice);
    void Answered(const DesktopNotice& notice, std::optional<uint> id);
    void AskCapabilities();
    void OnServiceOwnerChanged(const QString& newOwner);

    QDBusConnection m_bus;
    Fallback m_fallback;
    std::function<void(const std::string&)> m_onActivated;
    std::function<void(const std::string&)> m_onDismissed;
    std::map<uint, std::string> m_keys;
    std::map<std::string, Tagged> m_tags;
    BodyMarkup m_bodyMarkup = BodyMarkup::Unknown;
    // Counts owners of the service's name; an answer asked of an earlier owner is stale.
    unsigned m_owner = 0;
    int m_capabilityAnswers = 0;
    // The program's icon for the "image-data" hint, taken when the notifier is made; invalid without one.
    QVariant m_imageHint;
};

}  // namespace dravik
