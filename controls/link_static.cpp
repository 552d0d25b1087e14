#include "controls/link_static.h"

#include "controls/palette_colours.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QUrl>

namespace dravik {
namespace {

// A label is read as static text; this one is a link, its name its text, and pressing it opens it.
class CLinkAccessible final : public QAccessibleWidget {
public:
    explicit CLinkAccessible(CLinkStatic* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        const auto* link = static_cast<const CLinkStatic*>(widget());
        if (t == QAccessible::Name && link->accessibleName().isEmpty()) {
            return link->text();
        }
        if (t == QAccessible::Value) {
            return link->URL();
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }

    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            static_cast<CLinkStatic*>(widget())->OnClicked();
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface* LinkAccessibleFactory(const QString& key, QObject* object) {
    auto* link = qobject_cast<CLinkStatic*>(object);
    if (link != nullptr && key == QLatin1String(CLinkStatic::staticMetaObject.className())) {
        return new CLinkAccessible(link);
    }
    return nullptr;
}

void InstallLinkAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(LinkAccessibleFactory);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace

QRgb LinkTextColour(const QPalette& palette, bool over, bool visited) {
    const QRgb window = palette.color(QPalette::Active, QPalette::Window).rgb();
    QRgb colour = palette.color(QPalette::Active, QPalette::Link).rgb();
    if (over && !visited) {
        colour = MixColours(colour, palette.color(QPalette::Active, QPalette::WindowText).rgb(), 0.5);
    }
    return WithContrast(colour, window, kMinTextContrast);
}

CLinkStatic::CLinkStatic(QWidget* parent, UrlOpener opener) : QLabel(parent), m_opener(std::move(opener)) {
    // Before any change of the label: Qt keeps the first reading of a control it was told about.
    InstallLinkAccessibility();
    // Only the underline is fixed; family, size and weight still follow the dialog's font.
    QFont font;
    font.setUnderline(false);
    setFont(font);
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    // A link is reached with Tab as any control is.
    setFocusPolicy(Qt::StrongFocus);
    ApplyColour();
}

CLinkStatic::~CLinkStatic() = default;

void CLinkStatic::SetURL(const QString& url) {
    m_strURL = url;
}

void CLinkStatic::SetUrlOpener(UrlOpener opener) {
    m_opener = std::move(opener);
}

bool CLinkStatic::OpenURL(const QString& url) {
    // An empty address would ask the desktop to open nothing in particular (on some desktops the current
    // folder), so it is not handed over; the click still counts.
    if (url.trimmed().isEmpty()) {
        return true;
    }
    const QUrl target = QUrl::fromUserInput(url);
    if (m_opener) {
        m_opener(target);
    } else {
        QDesktopServices::openUrl(target);
    }
    return true;
}

void CLinkStatic::enterEvent(QEnterEvent* event) {
    m_bOver = true;
    ApplyColour();
    QLabel::enterEvent(event);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    m_bOver = false;
    ApplyColour();
    QLabel::leaveEvent(event);
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bPressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_bPressed) {
        m_bPressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint())) {
            OnClicked();
        }
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CLinkStatic::keyPressEvent(QKeyEvent* event) {
    const bool opens = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    if (opens && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        OnClicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CLinkStatic::OnClicked() {
    const QString url = m_strURL;  // the opener may reenter and change the address
    OpenURL(url);
    m_bVisited = true;
    ApplyColour();
}

void CLinkStatic::ApplyColour() {
    update();
}

void CLinkStatic::paintEvent(QPaintEvent* /*event*/) {
    // The colour is worked out at each drawing from the palette in force, so a change of theme shows at once.
    QPainter painter(this);
    const QColor colour(LinkTextColour(palette(), m_bOver, m_bVisited));
    painter.setPen(colour);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    painter.drawText(area, static_cast<int>(alignment()) | Qt::TextSingleLine, text());
    if (hasFocus()) {
        // The keyboard's place, dotted round the text in the text's own (readable) colour.
        QPen pen(colour);
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

}  // namespace dravik
