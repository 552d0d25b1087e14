#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "platform/sound.h"

class QSoundEffect;

namespace dravik {

// Plays wave files with QSoundEffect. Construct it on the UI thread; PlaySound may be called from any
// thread and only queues the request. A name is looked up in the data directory first (so a user can drop
// in a sound of their own), then among the sounds built into the program (":/sounds/<name>").
class CQtSound final : public QObject, public ISound {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CQtSound)

public:
    explicit CQtSound(QObject* parent = nullptr);
    ~CQtSound() override;

    void PlaySound(const std::string& name) override;

    // Where a sound of that name is found: a file path, a "qrc:" address, or empty when nowhere.
    static QString ResolveSound(const std::string& name);

private:
    void PlayOnOwnThread(const QString& source);

    std::unique_ptr<QSoundEffect> m_effect;
};

}  // namespace dravik
