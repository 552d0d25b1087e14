#include "controls/tab_chain.h"

#include <QChildEvent>
#include <QEvent>
#include <QObject>
#include <QWidget>

namespace dravik {
namespace {

constexpr const char* kWatchedProperty = "dravikOutOfTabChain";

void Apply(QWidget* widget);

// Children appear late (a web view makes its rendering widget at the first page) and set their own focus
// policy in their constructor: they are taken out once polished, before they are first shown.
class CTabChainGuard final : public QObject {
public:
    explicit CTabChainGuard(QObject* parent) : QObject(parent) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ChildPolished) {
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
                Apply(child);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

void Apply(QWidget* widget) {
    if ((widget->focusPolicy() & Qt::TabFocus) != 0) {
        widget->setFocusPolicy(Qt::ClickFocus);
    }
    if (!widget->property(kWatchedProperty).toBool()) {
        widget->setProperty(kWatchedProperty, true);
        widget->installEventFilter(new CTabChainGuard(widget));
    }
    for (QWidget* child : widget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        Apply(child);
    }
}

}  // namespace

void KeepOutOfTabChain(QWidget* widget) {
    if (widget != nullptr) {
        Apply(widget);
    }
}

}  // namespace dravik
