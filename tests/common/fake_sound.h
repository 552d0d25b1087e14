#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/sound.h"

namespace dravik::test {

// Records what was played. A sound counts as playing until FinishPlaying(); a new one cuts it off.
class FakeSound final : public ISound {
public:
    void PlaySound(const std::string& name) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_playing.empty()) {
            m_cutOff.push_back(m_playing);
        }
        m_played.push_back(name);
        m_playing = name;
    }

    void FinishPlaying() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_playing.clear();
    }
    std::vector<std::string> Played() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_played;
    }
    std::vector<std::string> CutOff() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_cutOff;
    }
    std::string Playing() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_playing;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_played;
    std::vector<std::string> m_cutOff;
    std::string m_playing;
};

}  // namespace dravik::test
