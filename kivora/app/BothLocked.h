#pragma once

#include "kivora/playback/MoviePair.h"

namespace kivora::app {

// Both engines' api locks for a scope, main camera first.
class BothLocked {
public:
    explicit BothLocked(playback::MoviePair& pair)
        : m_pair(pair)
    {
        m_pair.LockBoth();
    }
    ~BothLocked() { m_pair.UnlockBoth(); }
    BothLocked(const BothLocked&) = delete;
    BothLocked& operator=(const BothLocked&) = delete;

private:
    playback::MoviePair& m_pair;
};

} // namespace kivora::app
