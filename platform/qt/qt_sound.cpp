#include "platform/qt/qt_sound.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSoundEffect>
#include <QUrl>

#include "platform/environment.h"

namespace dravik {

CQtSound::CQtSound(QObject* parent) : QObject(parent), m_effect(std::make_unique<QSoundEffect>()) {}

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

void CQtSound::PlaySound(const std::string& name) {
    const QString source = ResolveSound(name);
    if (source.isEmpty()) {
        return;
    }
    // QSoundEffect belongs to the thread that made it; the feed worker only queues the request.
    QMetaObject::invokeMethod(
        this, [this, source] { PlayOnOwnThread(source); }, Qt::QueuedConnection);
}

void CQtSound::PlayOnOwnThread(const QString& source) {
    const QUrl url = source.startsWith(QLatin1String("qrc:")) ? QUrl(source) : QUrl::fromLocalFile(source);
    // A new sound cuts off the one still playing.
    m_effect->stop();
    if (m_effect->source() != url) {
        m_effect->setSource(url);
    }
    m_effect->play();
}

}  // namespace dravik
