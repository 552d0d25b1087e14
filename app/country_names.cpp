#include "app/country_names.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QtEndian>
#include <map>
#include <mutex>

#include "resources/translations.h"

namespace dravik {
namespace {

std::mutex g_mutex;
std::string g_root = "/usr/share";
// Per language: code -> name. Some 250 short names: kept once read.
std::map<std::string, std::map<std::string, std::string>> g_names;

// The translations of a gettext catalogue (.mo): msgid -> msgstr. Empty when the file does not read as one.
std::map<QByteArray, QByteArray> ReadMo(const QString& path) {
    std::map<QByteArray, QByteArray> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 16 * 1024 * 1024) {
        return messages;
    }
    const QByteArray data = file.readAll();
    if (data.size() < 28) {
        return messages;
    }
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const quint32 magic = qFromLittleEndian<quint32>(bytes);
    const bool little = magic == 0x950412deu;
    if (!little && qFromBigEndian<quint32>(bytes) != 0x950412deu) {
        return messages;
    }
    const auto word = [&](qsizetype at) -> qint64 {
        if (at < 0 || at + 4 > data.size()) {
            return -1;
        }
        return little ? qFromLittleEndian<quint32>(bytes + at) : qFromBigEndian<quint32>(bytes + at);
    };
    const qint64 count = word(8), originals = word(12), translations = word(16);
    const auto text = [&](qint64 table, qint64 i) -> QByteArray {
        const qint64 length = word(static_cast<qsizetype>(table + 8 * i));
        const qint64 offset = word(static_cast<qsizetype>(table + 8 * i + 4));
        if (length < 0 || offset < 0 || offset + length > data.size()) {
            return {};
        }
        return data.mid(static_cast<qsizetype>(offset), static_cast<qsizetype>(length));
    };
    for (qint64 i = 0; i < count && i < 100000; ++i) {
        const QByteArray id = text(originals, i);
        const QByteArray translated = text(translations, i);
        if (!id.isEmpty() && !translated.isEmpty()) {
            messages.emplace(id, translated);
        }
    }
    return messages;
}

std::map<std::string, std::string> ReadNames(const std::string& lang) {
    std::map<std::string, std::string> names;
    const QString root = QString::fromStdString(g_root);
    QFile list(root + QStringLiteral("/iso-codes/json/iso_3166-1.json"));
    if (!list.open(QIODevice::ReadOnly)) {
        return names;
    }
    const QJsonArray countries =
        QJsonDocument::fromJson(list.readAll()).object().value(QStringLiteral("3166-1")).toArray();
    const QString locale = QString::fromStdString(lang).toLower();
    const std::map<QByteArray, QByteArray> catalogue =
        ReadMo(root + QStringLiteral("/locale/%1/LC_MESSAGES/iso_3166-1.mo").arg(locale));
    for (const QJsonValue& value : countries) {
        const QJsonObject country = value.toObject();
        const QString code = country.value(QStringLiteral("alpha_2")).toString();
        // The short name people say ("South Korea") where iso-codes has one.
        QString name = country.value(QStringLiteral("common_name")).toString();
        if (name.isEmpty()) {
            name = country.value(QStringLiteral("name")).toString();
        }
        if (code.size() != 2 || name.isEmpty()) {
            continue;
        }
        const auto translated = catalogue.find(name.toUtf8());
        if (translated != catalogue.end()) {
            names[code.toStdString()] = translated->second.toStdString();
        }
    }
    return names;
}

std::string QtEnglishName(const std::string& code) {
    const QLocale::Territory territory = QLocale::codeToTerritory(QString::fromStdString(code));
    return territory == QLocale::AnyTerritory ? code : QLocale::territoryToString(territory).toStdString();
}

}  // namespace

void SetIsoCodesRoot(const std::string& root) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_root = root;
    g_names.clear();
}

std::string CountryName(const std::string& code, const std::string& lang) {
    if (lang != "EN" && IsKnownLanguage(lang)) {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_names.find(lang);
        if (it == g_names.end()) {
            it = g_names.emplace(lang, ReadNames(lang)).first;
        }
        const auto name = it->second.find(code);
        if (name != it->second.end()) {
            return name->second;
        }
    }
    return QtEnglishName(code);
}

}  // namespace dravik
