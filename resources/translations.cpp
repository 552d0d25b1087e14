#include "resources/translations.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTranslator>
#include <QtGlobal>
#include <map>
#include <memory>
#include <mutex>

namespace dravik {
namespace {

// Where CMake puts the compiled files among the resources.
constexpr const char* kTranslationsDir = ":/i18n";
constexpr const char* kFilePrefix = "dravik_";

std::mutex& TranslatorsMutex() {
    static std::mutex mutex;
    return mutex;
}

// Loaded once per language and kept for the life of the program; texts are asked from any thread.
const QTranslator* TranslatorFor(const std::string& code) {
    if (code.empty() || code == kSourceLanguage) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(TranslatorsMutex());
    static std::map<std::string, std::unique_ptr<QTranslator>> translators;
    auto it = translators.find(code);
    if (it == translators.end()) {
        auto translator = std::make_unique<QTranslator>();
        const QString file = QString::fromLatin1(kFilePrefix) + QString::fromStdString(code).toLower();
        // Only an upper-case code names a language, so that "pl" or "en" stay unknown as stored values.
        const bool upper = QString::fromStdString(code) == QString::fromStdString(code).toUpper();
        if (!upper || !translator->load(file, QString::fromLatin1(kTranslationsDir))) {
            translator.reset();
        }
        it = translators.emplace(code, std::move(translator)).first;
    }
    return it->second.get();
}

}  // namespace

const std::vector<LanguageInfo>& AvailableLanguages() {
    static const std::vector<LanguageInfo> languages = [] {
        std::vector<LanguageInfo> found = {{kSourceLanguage, "Polski"}};
        // The build lists the translations' codes, one a line, in the order the language dialog offers them.
        QFile list(QString::fromLatin1(kTranslationsDir) + "/languages.txt");
        if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
            return found;
        }
        for (const QByteArray& line : list.readAll().split('\n')) {
            const std::string code = line.trimmed().toUpper().toStdString();
            if (code.empty() || code == kSourceLanguage || TranslatorFor(code) == nullptr) {
                continue;
            }
            found.push_back({code, Translate(code, "Language", QT_TRANSLATE_NOOP("Language", "Polski"))});
        }
        return found;
    }();
    return languages;
}

bool IsKnownLanguage(const std::string& code) {
    return LanguageIndex(code) >= 0;
}

int LanguageIndex(const std::string& code) {
    const std::vector<LanguageInfo>& languages = AvailableLanguages();
    for (std::size_t i = 0; i < languages.size(); ++i) {
        if (languages[i].code == code) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string Translate(const std::string& lang, const char* context, const char* source) {
    const QTranslator* translator = TranslatorFor(lang);
    if (translator == nullptr) {
        return source;
    }
    const QString text = translator->translate(context, source);
    return text.isEmpty() ? std::string(source) : text.toStdString();
}

bool TranslationLoads(const std::string& code) {
    const QTranslator* translator = TranslatorFor(code);
    return translator != nullptr && !translator->isEmpty();
}

}  // namespace dravik
