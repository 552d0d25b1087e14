#pragma once

#include <QUrl>

// What the sound module (libdravik_sound.so) gives the program. The module alone links Qt Multimedia and the
// sound server's client, loaded at the first sound: most runs play none, and those libraries cost 1.5 MiB of
// private memory from the start.
namespace dravik {

class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    // Plays from the start, cutting off what is still playing. On the thread that made the player.
    virtual void Play(const QUrl& source) = 0;
};

// The module's one entry point (C linkage, so that it is found by this name): a new player owned by the caller.
using MakeSoundPlayerFn = ISoundPlayer* (*)();
inline constexpr char kMakeSoundPlayerSymbol[] = "dravik_make_sound_player";
inline constexpr char kSoundModuleFile[] = "libdravik_sound.so";

}  // namespace dravik
