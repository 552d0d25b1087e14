#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/sound.h"

namespace dravik {

class ISoundPlayer;

// Plays wave files through the sound module, loaded at the first sound. Construct it on the UI thread;
// PlaySound may be called from any thread and only queues the request. A name is looked up in the data
// directory first (so a user can drop in a sound of their own), then among the sounds built into the program
// (":/sounds/<name>"). Without the module the program stays silent, with one line on stderr.
class CQtSound final : public QObject, public ISound {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CQtSound)

public:
    // `modules`: where the module is looked for, in order (by default beside the program, as built, then in the
    // private library folder, as installed).
    explicit CQtSound(QObject* parent = nullptr, QStringList modules = DefaultModulePaths());
    ~CQtSound() override;

    void PlaySound(const std::string& name) override;

    // Where a sound of that name is found: a file path, a "qrc:" address, or empty when nowhere.
    static QString ResolveSound(const std::string& name);
    static QStringList DefaultModulePaths();
    // Whether the module was found and made a player (false before the first sound).
    bool HasPlayer() const { return m_player != nullptr; }

private:
    void PlayOnOwnThread(const QString& source);
    ISoundPlayer* Player();

    QStringList m_modules;
    bool m_bModuleTried = false;
    std::unique_ptr<ISoundPlayer> m_player;
};

}  // namespace dravik
