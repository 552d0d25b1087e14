#pragma once

#include <string>

namespace dravik {

// Plays a named wave file without waiting for it; a new sound cuts off the one still playing. Never blocks
// and never fails the caller, also when there is no audio device.
class ISound {
public:
    virtual ~ISound() = default;
    virtual void PlaySound(const std::string& name) = 0;
};

}  // namespace dravik
