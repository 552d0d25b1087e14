#include "platform/qt/dbus_notifier.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QStringList>
#include <QVariantMap>
#include <optional>
#include <utility>

namespace dravik {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
// A service that does not answer in this time counts as missing; the UI thread never waits for it.
constexpr int kCallTimeoutMs = 5000;
// Tags remembered at most (a quake's and a sequence's notices each have one).
constexpr std::size_t kMaxTags = 512;

// Only the characters that markup gives a meaning to in text; toHtmlEscaped() would also turn '"' into an
// entity that a plain-text server shows as it is.
QString EscapeMarkup(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case u'&':
                out += QStringLiteral("&amp;");
                break;
            case u'<':
                out += QStringLiteral("&lt;");
                break;
            case u'>':
                out += QStringLiteral("&gt;");
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The "image-data" hint (iiibiiay): the program's icon itself, so a notice shows it whether or not an icon
// named "dravik" is installed in the desktop's theme.
struct NoticeImage {
    int width = 0;
    int height = 0;
    int rowStride = 0;
    bool hasAlpha = true;
    int bitsPerSample = 8;
    int channels = 4;
    QByteArray data;
};

QDBusArgument& operator<<(QDBusArgument& argument, const NoticeImage& image) {
    argument.beginStructure();
    argument << image.width << image.height << image.rowStride << image.hasAlpha << image.bitsPerSample
             << image.channels << image.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NoticeImage& image) {
    argument.beginStructure();
    argument >> image.width >> image.height >> image.rowStride >> image.hasAlpha >> image.bitsPerSample >>
        image.channels >> image.data;
    argument.endStructure();
    return argument;
}

}  // namespace
}  // namespace dravik

Q_DECLARE_METATYPE(dravik::NoticeImage)

namespace dravik {
namespace {

// The application's window icon as RGBA rows; none while the application has no icon.
std::optional<NoticeImage> ProgramIconImage() {
    constexpr int kSize = 64;
    const QIcon icon = QGuiApplication::windowIcon();
    if (icon.isNull()) {
        return std::nullopt;
    }
    const QImage image = icon.pixmap(kSize, kSize).toImage().convertToFormat(QImage::Format_RGBA8888);
    if (image.isNull()) {
        return std::nullopt;
    }
    NoticeImage out;
    out.width = image.width();
    out.height = image.height();
    out.rowStride = static_cast<int>(image.bytesPerLine());
    out.data = QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    return out;
}

}  // namespace

CDBusNotifier::CDBusNotifier(Fallback fallback) : CDBusNotifier(QDBusConnection::sessionBus(), std::move(fallback)) {}

CDBusNotifier::CDBusNotifier(const QDBusConnection& bus, Fallback fallback)
    : m_bus(bus), m_fallback(std::move(fallback)) {
    qDBusRegisterMetaType<NoticeImage>();
    if (const std::optional<NoticeImage> icon = ProgramIconImage()) {
        m_imageHint = QVariant::fromValue(*icon);
    }
    if (!m_bus.isConnected()) {
        return;
    }
    // QDBusConnection::connect offers only the named-slot form.
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(OnActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(OnNotificationClosed(uint, uint)));
    // The service may start after us (the autostart entry at a session start) or be replaced by another
    // server with other capabilities; each new owner is asked again.
    auto* watcher = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { OnServiceOwnerChanged(newOwner); });
    AskCapabilities();
}

CDBusNotifier::~CDBusNotifier() = default;

void CDBusNotifier::AskCapabilities() {
    const QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "GetCapabilities");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, owner = m_owner](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (owner != m_owner) {
            return;
        }
        ++m_capabilityAnswers;
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isError()) {
            m_bodyMarkup = BodyMarkup::Unknown;
        } else {
            m_bodyMarkup =
                reply.value().contains(QStringLiteral("body-markup")) ? BodyMarkup::Rendered : BodyMarkup::Plain;
        }
    });
}

void CDBusNotifier::OnServiceOwnerChanged(const QString& newOwner) {
    ++m_owner;
    m_bodyMarkup = BodyMarkup::Unknown;
    if (!newOwner.isEmpty()) {
        AskCapabilities();
    }
}

void CDBusNotifier::Notify(const DesktopNotice& notice) {
    if (!m_bus.isConnected()) {
        if (m_fallback) {
            m_fallback(notice);
        }
        return;
    }
    if (!notice.tag.empty()) {
        if (m_tags.size() >= kMaxTags && m_tags.count(notice.tag) == 0) {
            // A service that never says a notice closed: the oldest settled tags go (theirs open anew).
            for (auto it = m_tags.begin(); it != m_tags.end() && m_tags.size() >= kMaxTags;) {
                it = it->second.pending ? std::next(it) : m_tags.erase(it);
            }
        }
        Tagged& tagged = m_tags[notice.tag];
        if (tagged.pending) {
            tagged.waiting = notice;
            return;
        }
        tagged.pending = true;
    }
    Send(notice);
}

void CDBusNotifier::Send(const DesktopNotice& notice) {
    uint replaces = 0;
    if (const auto it = m_tags.find(notice.tag); !notice.tag.empty() && it != m_tags.end()) {
        replaces = it->second.id;
    }
    // A server that renders markup would take "<" and "&" of a region's name as markup. While it is not
    // known whether it does, escape too: most servers do, and a plain-text one then shows only "&amp;",
    // "&lt;" and "&gt;" as they are, where leaving the characters out would change the text on every server.
    // The summary is plain text on every server.
    QString body = QString::fromStdString(notice.body);
    if (m_bodyMarkup != BodyMarkup::Plain) {
        body = EscapeMarkup(body);
    }
    QStringList actions;
    if (!notice.key.empty()) {
        actions << kDefaultAction << QString::fromStdString(notice.actionLabel);
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("suppress-sound"), notice.silent);
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("dravik"));
    if (m_imageHint.isValid()) {
        hints.insert(QStringLiteral("image-data"), m_imageHint);
    }
    // The notification service takes it as a byte (D-Bus type y).
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(notice.urgency)));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    call << QStringLiteral("Dravik") << replaces << QStringLiteral("dravik") << QString::fromStdString(notice.summary)
         << body << actions << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, notice](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        if (reply.isError()) {
            if (m_fallback) {
                m_fallback(notice);
            }
            Answered(notice, std::nullopt);
        } else {
            Answered(notice, reply.value());
        }
    });
}

void CDBusNotifier::Answered(const DesktopNotice& notice, std::optional<uint> id) {
    if (id && !notice.key.empty()) {
        m_keys[*id] = notice.key;
    }
    if (notice.tag.empty()) {
        return;
    }
    Tagged& tagged = m_tags[notice.tag];
    if (id) {
        if (tagged.id != 0 && tagged.id != *id) {
            // The service showed it anew (the old one had gone): clicks on the old id no longer come.
            m_keys.erase(tagged.id);
        }
        tagged.id = *id;
    }
    tagged.pending = false;
    if (tagged.waiting) {
        const DesktopNotice next = *tagged.waiting;
        tagged.waiting.reset();
        tagged.pending = true;
        Send(next);
    }
}

void CDBusNotifier::SetActivationHandler(std::function<void(const std::string& key)> handler) {
    m_onActivated = std::move(handler);
}

void CDBusNotifier::OnActionInvoked(uint id, const QString& action) {
    // The signal goes to every client of the service; only our own notices count.
    auto it = m_keys.find(id);
    if (it == m_keys.end() || action != kDefaultAction) {
        return;
    }
    const std::string key = it->second;
    if (m_onActivated) {
        m_onActivated(key);
    }
}

void CDBusNotifier::SetDismissHandler(std::function<void(const std::string& tag)> handler) {
    m_onDismissed = std::move(handler);
}

void CDBusNotifier::OnNotificationClosed(uint id, uint reason) {
    // Reason 2: the user dismissed it; 1 (expired), 3 (closed by a call) and 4 leave the tag's card to come back.
    constexpr uint kDismissedByUser = 2;
    m_keys.erase(id);
    for (auto it = m_tags.begin(); it != m_tags.end(); ++it) {
        if (it->second.id != id || it->second.pending) {
            continue;
        }
        const std::string tag = it->first;
        m_tags.erase(it);
        if (reason == kDismissedByUser && m_onDismissed) {
            m_onDismissed(tag);
        }
        break;
    }
}

}  // namespace dravik
