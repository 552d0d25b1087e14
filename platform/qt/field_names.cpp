#include "platform/qt/field_names.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace dravik {
namespace {

QString LabelName(const QString& text) {
    QString name;
    for (int i = 0; i < text.size(); ++i) {
        // "&&" is a literal ampersand; a single one marks the mnemonic.
        if (text.at(i) == QLatin1Char('&')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
                name += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        name += text.at(i);
    }
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':'))) {
        name.chop(1);
    }
    return name.trimmed();
}

// Role, name, value, the drop-down list as its one child, and pressing it opens the list.
class CNamedComboAccessible final : public QAccessibleWidget {
public:
    explicit CNamedComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        const QString item = Combo()->isEditable() && Combo()->lineEdit() != nullptr ? Combo()->lineEdit()->text()
                                                                                     : Combo()->currentText();
        if (t == QAccessible::Value) {
            return item;
        }
        const QString own = QAccessibleWidget::text(t);
        // Without a name or a label the item is all there is to say, as before.
        return t == QAccessible::Name && own.isEmpty() ? item : own;
    }

    int childCount() const override { return Combo()->view() != nullptr ? 1 : 0; }

    QAccessibleInterface* child(int index) const override {
        if (index != 0 || Combo()->view() == nullptr) {
            return nullptr;
        }
        return QAccessible::queryAccessibleInterface(Combo()->view());
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && Combo()->view() != nullptr && child->object() == Combo()->view() ? 0 : -1;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override {
        if (actionName == showMenuAction() || actionName == pressAction()) {
            Combo()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }

private:
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* ComboFactory(const QString& key, QObject* object) {
    auto* combo = qobject_cast<QComboBox*>(object);
    if (combo != nullptr && key == QLatin1String("QComboBox")) {
        return new CNamedComboAccessible(combo);
    }
    return nullptr;
}

}  // namespace

void NameFieldByLabel(QLabel* label, QWidget* field) {
    if (label == nullptr || field == nullptr) {
        return;
    }
    label->setBuddy(field);
    field->setAccessibleName(LabelName(label->text()));
}

void NameComboBoxesByLabel() {
    static const bool installed = [] {
        QAccessible::installFactory(ComboFactory);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace dravik
