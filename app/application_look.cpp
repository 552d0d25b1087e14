#include "app/application_look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

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

}  // namespace

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
