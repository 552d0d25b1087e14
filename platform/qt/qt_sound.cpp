#include "platform/qt/qt_sound.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QMetaObject>
#include <QUrl>
#include <cstdio>

#include "platform/environment.h"
#include "platform/qt/sound_player.h"

#ifndef DRAVIK_SOUND_MODULE_DIR
#define DRAVIK_SOUND_MODULE_DIR "../lib/dravik"
#endif

namespace dravik {

CQtSound::CQtSound(QObject* parent, QStringList modules) : QObject(parent), m_modules(std::move(modules)) {}

CQtSound::~CQtSound() = default;

QString CQtSound::ResolveSound(const std::string& name) {
    const QString fileName = QFileInfo(QString::fromStdString(name)).fileName();
    if (fileName.isEmpty()) {
        return {};
    }
    const QString local = QString::fromStdString(DataFilePath(fileName.toStdString()));
    if (QFileInfo(local).isFile()) {
        return local;
    }
    const QString builtIn = QStringLiteral(":/sounds/") + fileName;
    if (QFile::exists(builtIn)) {
        return QStringLiteral("qrc") + builtIn;
    }
    return {};
}

QStringList CQtSound::DefaultModulePaths() {
    const QString dir = QCoreApplication::applicationDirPath();
    const QString file = QString::fromLatin1(kSoundModuleFile);
    return {dir + QLatin1Char('/') + file, dir + QStringLiteral("/" DRAVIK_SOUND_MODULE_DIR "/") + file};
}

ISoundPlayer* CQtSound::Player() {
    if (m_bModuleTried) {
        return m_player.get();
    }
    m_bModuleTried = true;
    QStringList errors;
    for (const QString& path : m_modules) {
        if (!QFileInfo(path).isFile()) {
            continue;
        }
        // Never unloaded, not even by Qt's clean-up at exit: the player's code is in use until it is deleted.
        QLibrary module(path);
        module.setLoadHints(QLibrary::PreventUnloadHint);
        const auto make = reinterpret_cast<MakeSoundPlayerFn>(module.resolve(kMakeSoundPlayerSymbol));
        if (make != nullptr) {
            m_player.reset(make());
            return m_player.get();
        }
        errors << module.errorString();
    }
    std::fprintf(
        stderr, "dravik: no sound: the sound module cannot be loaded (%s)\n",
        qUtf8Printable(errors.isEmpty() ? m_modules.join(QStringLiteral(", ")) : errors.join(QStringLiteral("; "))));
    return nullptr;
}

void CQtSound::PlaySound(const std::string& name) {
    const QString source = ResolveSound(name);
    if (source.isEmpty()) {
        return;
    }
    // The player belongs to the thread that made it; the feed worker only queues the request.
    QMetaObject::invokeMethod(
        this, [this, source] { PlayOnOwnThread(source); }, Qt::QueuedConnection);
}

void CQtSound::PlayOnOwnThread(const QString& source) {
    ISoundPlayer* player = Player();
    if (player != nullptr) {
        player->Play(source.startsWith(QLatin1String("qrc:")) ? QUrl(source) : QUrl::fromLocalFile(source));
    }
}

}  // namespace dravik
