#include "app/application_look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTranslator>
#include <memory>

#include "controls/palette_colours.h"
#include "resources/resource_images.h"
#include "resources/resource_tables.h"
#include "resources/translations.h"

namespace dravik {

namespace {

// The translator lives as a named child of the application object, so it goes with it and nothing else
// keeps process-wide state.
constexpr const char* kTranslatorName = "dravik-qtbase-translator";
// The catalogue it holds, "qtbase_pl".
constexpr const char* kTranslatorFile = "dravikCatalogue";

QTranslator* InstalledTranslator() {
    return QCoreApplication::instance()->findChild<QTranslator*>(kTranslatorName, Qt::FindDirectChildrenOnly);
}

constexpr const char* kReadableStyleName = "dravikReadableIndicators";

// Draws the indicators as the desktop's style does, then their outline in a shade that reads on the window.
class CReadableIndicatorStyle final : public QProxyStyle {
public:
    explicit CReadableIndicatorStyle(QStyle* base) : QProxyStyle(base) {
        setObjectName(QString::fromLatin1(kReadableStyleName));
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element != PE_IndicatorRadioButton && element != PE_IndicatorCheckBox) {
            return;
        }
        if (!(option->state & State_Enabled)) {
            return;  // a disabled choice is meant to recede
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, element == PE_IndicatorRadioButton);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(QColor(IndicatorOutlineColour(option->palette)), 1.0));
        const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        if (element == PE_IndicatorRadioButton) {
            painter->drawEllipse(box);
        } else {
            painter->drawRect(box);
        }
        painter->restore();
    }
};

}  // namespace

void UseReadableIndicators() {
    QStyle* current = QApplication::style();
    if (current == nullptr || current->objectName() == QLatin1String(kReadableStyleName)) {
        return;
    }
    // A base of its own: the application deletes the style it replaces.
    QStyle* base = QStyleFactory::create(current->name());
    QApplication::setStyle(
        new CReadableIndicatorStyle(base != nullptr ? base : QStyleFactory::create(QStringLiteral("Fusion"))));
}

void SetApplicationIcon() {
    QApplication::setWindowIcon(ResourceIcon(kIconProgram));
    // Wayland compositors and task bars find the icon through the menu entry the windows name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
}

std::string QtTranslationsDir() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString();
}

bool ApplyQtTranslations(const std::string& lang) {
    if (QCoreApplication::instance() == nullptr) {
        return false;
    }
    QTranslator* current = InstalledTranslator();
    // Qt's built-in texts are English; every other language of the program's has Qt's catalogue.
    const bool wanted = lang != "EN" && IsKnownLanguage(lang);
    const QString file = QStringLiteral("qtbase_") + QString::fromStdString(lang).toLower();
    if (current != nullptr && (!wanted || current->property(kTranslatorFile).toString() != file)) {
        QCoreApplication::removeTranslator(current);
        delete current;
        current = nullptr;
    }
    if (!wanted || current != nullptr) {
        return true;
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file, QString::fromStdString(QtTranslationsDir()))) {
        return false;
    }
    translator->setProperty(kTranslatorFile, file);
    translator->setObjectName(kTranslatorName);
    translator->setParent(QCoreApplication::instance());
    QCoreApplication::installTranslator(translator.release());
    return true;
}

}  // namespace dravik
