#include <QSoundEffect>
#include <QtGlobal>

#include "platform/qt/sound_player.h"

namespace dravik {
namespace {

class CSoundEffectPlayer final : public ISoundPlayer {
public:
    void Play(const QUrl& source) override {
        m_effect.stop();
        if (m_effect.source() != source) {
            m_effect.setSource(source);
        }
        m_effect.play();
    }

private:
    QSoundEffect m_effect;
};

}  // namespace
}  // namespace dravik

extern "C" Q_DECL_EXPORT dravik::ISoundPlayer* dravik_make_sound_player() {
    return new dravik::CSoundEffectPlayer();
}
