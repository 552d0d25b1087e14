#include "platform/qt/dialog_builder.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QHeaderView>
#include <QIcon>
#include <QImageReader>
#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTreeWidget>
#include <algorithm>

#include "platform/qt/field_names.h"

namespace dravik {
namespace {

constexpr const char* kIdProperty = "dravikControlId";
constexpr const char* kSortedProperty = "dravikSorted";
constexpr const char* kCommandGroupProperty = "dravikRadioGroup";

// Rounded a * b / c, as the system's dialog unit conversion does it.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>(product >= 0 ? (product + c / 2) / c : (product - c / 2) / c);
}

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* MakeFrame(QWidget* parent, bool black) {
    auto* frame = new QFrame(parent);
    if (black) {
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        QPalette palette = frame->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        frame->setPalette(palette);
    } else {
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    }
    // A frame only decorates: it must not take the clicks of the controls it surrounds.
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    return frame;
}

QWidget* MakeListView(const DialogControl& control, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSortingEnabled(false);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode((control.flags & kStyleSingleSel) != 0 ? QAbstractItemView::SingleSelection
                                                                  : QAbstractItemView::ExtendedSelection);
    if ((control.flags & kStyleShowSelAlways) == 0) {
        // Without "show selection always" the selection is not shown while the list lacks the focus.
        QPalette palette = list->palette();
        palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Inactive, QPalette::Base));
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         palette.color(QPalette::Inactive, QPalette::Text));
        list->setPalette(palette);
    }
    if ((control.flags & kStyleBorder) == 0) {
        list->setFrameShape(QFrame::NoFrame);
    }
    return list;
}

QWidget* MakeDatePicker(QWidget* parent) {
    auto* picker = new QDateEdit(parent);
    picker->setCalendarPopup(true);
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) {
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    }
    picker->setDisplayFormat(format);
    return picker;
}

QWidget* MakeDefault(const DialogControl& control, QWidget* parent) {
    const QString text = ToQString(control.text);
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);
            button->setDefault(control.kind == ControlKind::DefPushButton);
            return button;
        }
        case ControlKind::Static: {
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            label->setText(text);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::Frame:
            return MakeFrame(parent, false);
        case ControlKind::BlackFrame:
            return MakeFrame(parent, true);
        case ControlKind::Icon: {
            auto* label = new QLabel(parent);
            // The program's icons as drawn at build time; twice the size for a screen of two device pixels a pixel.
            // Read as PNG: by its name alone Qt would load every image format plugin to ask it.
            QIcon icon;
            for (const int size : {32, 64}) {
                QImageReader reader(QStringLiteral(":/icons/%1-%2.png").arg(text).arg(size), "png");
                reader.setAutoDetectImageFormat(false);
                const QImage image = reader.read();
                if (!image.isNull()) {
                    icon.addPixmap(QPixmap::fromImage(image));
                }
            }
            if (!icon.isNull()) {
                label->setPixmap(icon.pixmap(32, 32));
            }
            return label;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, parent);
        case ControlKind::Radio:
            return new QRadioButton(text, parent);
        case ControlKind::ListView:
            return MakeListView(control, parent);
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(false);
            combo->setProperty(kSortedProperty, (control.flags & kStyleSorted) != 0);
            return combo;
        }
        case ControlKind::DatePicker:
            return MakeDatePicker(parent);
        case ControlKind::Browser:
            return new QWidget(parent);
    }
    return new QWidget(parent);
}

// The pixel rectangle a control occupies; some kinds keep their natural height as the system's do.
QRect ControlRect(const DialogControl& control, const QSize& base, QWidget* widget, int clientWidth) {
    QRect rect = DialogUnitsToPixels(base, control.x, control.y, control.w, control.h);
    if (control.kind == ControlKind::Static && !control.text.empty()) {
        // The rectangles were fitted to a narrower font: a text label may grow to the dialog's edge rather
        // than lose its end.
        const int wanted = std::min(widget->sizeHint().width(), clientWidth - rect.x());
        rect.setWidth(std::max(rect.width(), wanted));
    } else if (control.kind == ControlKind::Icon) {
        rect.setSize(QSize(32, 32));
    } else if (control.kind == ControlKind::ComboBox) {
        // The template's height is the dropped-down list's; the closed box has its own.
        rect.setHeight(widget->sizeHint().height());
    }
    return rect;
}

void AddMenuItems(QMenu* menu, const std::vector<MenuItem>& items);

QAction* AddMenuItem(QWidget* owner, const MenuItem& item) {
    if (item.separator) {
        if (auto* menu = qobject_cast<QMenu*>(owner)) {
            return menu->addSeparator();
        }
        return nullptr;
    }
    const QString text = ToQString(item.text);
    if (!item.children.empty()) {
        QMenu* sub = nullptr;
        if (auto* bar = qobject_cast<QMenuBar*>(owner)) {
            sub = bar->addMenu(text);
        } else {
            sub = static_cast<QMenu*>(owner)->addMenu(text);
        }
        AddMenuItems(sub, item.children);
        return sub->menuAction();
    }
    QAction* action = nullptr;
    if (auto* bar = qobject_cast<QMenuBar*>(owner)) {
        action = bar->addAction(text);
    } else {
        action = static_cast<QMenu*>(owner)->addAction(text);
    }
    action->setData(item.id);
    if (!item.shortcut.empty()) {
        action->setShortcut(QKeySequence(ToQString(item.shortcut), QKeySequence::PortableText));
    }
    return action;
}

void AddMenuItems(QMenu* menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        AddMenuItem(menu, item);
    }
}

QAction* FindInActions(const QList<QAction*>& actions, int id) {
    for (QAction* action : actions) {
        if (action->menu() != nullptr) {
            if (QAction* found = FindInActions(action->menu()->actions(), id)) {
                return found;
            }
        } else if (!action->isSeparator() && CommandId(action) == id) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int width = (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
    return {std::max(1, width), std::max(1, metrics.height())};
}

QRect DialogUnitsToPixels(const QSize& baseUnits, int x, int y, int w, int h) {
    return {MulDiv(x, baseUnits.width(), 4), MulDiv(y, baseUnits.height(), 8), MulDiv(w, baseUnits.width(), 4),
            MulDiv(h, baseUnits.height(), 8)};
}

int ScaledColumnWidth(const QFont& font, int designPixels) {
    constexpr int kDesignBaseWidth = 6;
    return MulDiv(designPixels, DialogBaseUnits(font).width(), kDesignBaseWidth);
}

void BuildDialog(QWidget* dialog, const DialogTemplate& tmpl, const ControlFactory& factory, const MenuTemplate* menu) {
    QFont font = dialog->font();
    font.setPointSize(tmpl.fontPointSize);
    dialog->setFont(font);
    dialog->setWindowTitle(ToQString(tmpl.caption));
    const QSize base = DialogBaseUnits(font);

    int top = 0;
    if (menu != nullptr) {
        QMenuBar* bar = BuildMenuBar(*menu, dialog);
        bar->setObjectName(QStringLiteral("menuBar"));
        top = bar->sizeHint().height();
        bar->setGeometry(0, 0, DialogUnitsToPixels(base, 0, 0, tmpl.w, 0).width(), top);
    }

    const int clientWidth = MulDiv(tmpl.w, base.width(), 4);
    auto* dialogBox = qobject_cast<QDialog*>(dialog);
    QButtonGroup* radioGroup = nullptr;
    int radioIndex = 0;
    NameComboBoxesByLabel();
    // A text label just before a field in the template is that field's label.
    QLabel* fieldLabel = nullptr;
    for (const DialogControl& control : tmpl.controls) {
        QWidget* widget = factory ? factory(control, dialog) : nullptr;
        if (widget == nullptr) {
            widget = MakeDefault(control, dialog);
        } else if (widget->parentWidget() != dialog) {
            widget->setParent(dialog);
        }
        widget->setProperty(kIdProperty, control.id);
        widget->setObjectName(control.id == kNoControlId ? QString() : QStringLiteral("control%1").arg(control.id));
        widget->setGeometry(ControlRect(control, base, widget, clientWidth).translated(0, top));
        if ((control.flags & kStyleHidden) != 0) {
            widget->setHidden(true);
        }
        if (control.kind == ControlKind::Frame) {
            widget->lower();
        }
        const bool field = control.kind == ControlKind::DatePicker || control.kind == ControlKind::ComboBox ||
                           control.kind == ControlKind::ListView;
        if (field && fieldLabel != nullptr) {
            NameFieldByLabel(fieldLabel, widget);
        }
        fieldLabel =
            control.kind == ControlKind::Static && !control.text.empty() ? qobject_cast<QLabel*>(widget) : nullptr;

        if ((control.flags & kStyleGroup) != 0) {
            radioGroup = nullptr;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget);
            button != nullptr && control.kind == ControlKind::Radio) {
            if (radioGroup == nullptr) {
                radioGroup = new QButtonGroup(dialog);
                radioGroup->setProperty(kCommandGroupProperty, control.id);
                radioIndex = 0;
            }
            radioGroup->addButton(button, radioIndex++);
            button->setProperty(kCommandGroupProperty, QVariant::fromValue(static_cast<QObject*>(radioGroup)));
        }

        if (dialogBox != nullptr) {
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                if (control.id == kIdOk) {
                    QObject::connect(button, &QAbstractButton::clicked, dialogBox, &QDialog::accept);
                } else if (control.id == kIdCancel) {
                    QObject::connect(button, &QAbstractButton::clicked, dialogBox, &QDialog::reject);
                }
            }
        }
    }

    ApplyTabOrder(dialog, tmpl.tabOrder);
    const QRect client = DialogUnitsToPixels(base, 0, 0, tmpl.w, tmpl.h);
    dialog->setFixedSize(client.width(), client.height() + top);
}

namespace {

void ApplyMenuItemTexts(const QList<QAction*>& actions, const std::vector<MenuItem>& items) {
    const auto count = std::min(static_cast<size_t>(actions.size()), items.size());
    for (size_t n = 0; n < count; ++n) {
        QAction* action = actions[static_cast<qsizetype>(n)];
        const MenuItem& item = items[n];
        if (item.separator || action->isSeparator()) {
            continue;
        }
        action->setText(ToQString(item.text));
        if (action->menu() != nullptr) {
            action->menu()->setTitle(ToQString(item.text));
            ApplyMenuItemTexts(action->menu()->actions(), item.children);
        }
    }
}

}  // namespace

void ApplyTemplateTexts(QWidget* dialog, const DialogTemplate& tmpl, const MenuTemplate* menu) {
    dialog->setWindowTitle(ToQString(tmpl.caption));
    for (const DialogControl& control : tmpl.controls) {
        if (control.id == kNoControlId || control.text.empty()) {
            continue;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(FindControl(dialog, control.id))) {
            button->setText(ToQString(control.text));
        }
    }
    if (menu != nullptr) {
        if (auto* bar = dialog->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly)) {
            ApplyMenuItemTexts(bar->actions(), menu->items);
        }
    }
}

void ApplyTabOrder(QWidget* dialog, const std::vector<int>& ids) {
    QWidget* previous = nullptr;
    for (int id : ids) {
        QWidget* control = FindControl(dialog, id);
        if (control == nullptr) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, control);
        }
        previous = control;
    }
}

QWidget* FindControl(QWidget* dialog, int id) {
    if (dialog == nullptr) {
        return nullptr;
    }
    const QList<QWidget*> children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QVariant value = child->property(kIdProperty);
        if (value.isValid() && value.toInt() == id) {
            return child;
        }
    }
    return nullptr;
}

int ControlId(const QWidget* control) {
    if (control == nullptr) {
        return kNoControlId;
    }
    const QVariant value = control->property(kIdProperty);
    return value.isValid() ? value.toInt() : kNoControlId;
}

namespace {

QButtonGroup* RadioGroupOf(QWidget* dialog, int firstId) {
    QWidget* first = FindControl(dialog, firstId);
    if (first == nullptr) {
        return nullptr;
    }
    return qobject_cast<QButtonGroup*>(first->property(kCommandGroupProperty).value<QObject*>());
}

}  // namespace

int CheckedRadioIndex(QWidget* dialog, int firstId) {
    QButtonGroup* group = RadioGroupOf(dialog, firstId);
    return group == nullptr ? -1 : group->checkedId();
}

void SetCheckedRadioIndex(QWidget* dialog, int firstId, int index) {
    QButtonGroup* group = RadioGroupOf(dialog, firstId);
    if (group == nullptr) {
        return;
    }
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
    }
}

int AddComboString(QComboBox* combo, const std::string& text) {
    const QString entry = ToQString(text);
    int index = combo->count();
    if (combo->property(kSortedProperty).toBool()) {
        index = 0;
        while (index < combo->count() && QString::compare(combo->itemText(index), entry, Qt::CaseInsensitive) <= 0) {
            ++index;
        }
    }
    combo->insertItem(index, entry);
    return index;
}

int FindComboString(QComboBox* combo, int startAfter, const std::string& prefix) {
    const int count = combo->count();
    if (count == 0) {
        return -1;
    }
    const QString wanted = ToQString(prefix);
    const int first = (startAfter < 0 || startAfter >= count) ? 0 : startAfter + 1;
    for (int n = 0; n < count; ++n) {
        const int index = (first + n) % count;
        if (combo->itemText(index).startsWith(wanted, Qt::CaseInsensitive)) {
            return index;
        }
    }
    return -1;
}

QMenuBar* BuildMenuBar(const MenuTemplate& menu, QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    bar->setNativeMenuBar(false);
    for (const MenuItem& item : menu.items) {
        AddMenuItem(bar, item);
    }
    if (parent != nullptr) {
        // F10 opens the menu bar, as in the desktops' own programs; Qt leaves that to the platform.
        auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), parent);
        f10->setObjectName(QStringLiteral("menuBarKey"));
        QObject::connect(f10, &QShortcut::activated, bar, [bar] {
            for (QAction* action : bar->actions()) {
                if (action->menu() != nullptr && action->isVisible() && action->isEnabled()) {
                    bar->setActiveAction(action);
                    return;
                }
            }
        });
    }
    return bar;
}

QMenu* BuildPopupMenu(const MenuTemplate& menu, int position, QWidget* parent) {
    if (position < 0 || position >= static_cast<int>(menu.items.size()) ||
        menu.items[static_cast<size_t>(position)].children.empty()) {
        return nullptr;
    }
    const MenuItem& popup = menu.items[static_cast<size_t>(position)];
    auto* result = new QMenu(ToQString(popup.text), parent);
    AddMenuItems(result, popup.children);
    return result;
}

int CommandId(const QAction* action) {
    if (action == nullptr || action->isSeparator() || action->menu() != nullptr) {
        return 0;
    }
    return action->data().toInt();
}

QAction* FindCommand(QWidget* menuOrBar, int id) {
    return menuOrBar == nullptr ? nullptr : FindInActions(menuOrBar->actions(), id);
}

}  // namespace dravik
