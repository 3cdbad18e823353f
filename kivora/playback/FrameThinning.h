#pragma once

// Fast playback decodes every picture while the decoder keeps pace with the clock, and only key
// frames while it is behind. The pictures of a group depend on the ones before them, so once one
// is dropped the rest of the group goes too; the next key frame starts full decoding again.

#include "kivora/playback/MediaSource.h"

namespace kivora::playback {

// Thread: the decode thread only.
class FrameThinning {
public:
    // How far behind the clock a packet may be before the rest of its group is dropped: a little
    // jitter of the decoder must not cost a whole second of pictures.
    static constexpr int kToleranceFrames = 4;

    // Whether to decode a video packet. key: a key frame. allowed: the rate lets pictures be left
    // out (fast rates, clock running, no seek in progress). lateness: clock time minus the packet's
    // time (positive when the decoder is behind). frameDuration: of one picture, in media time.
    bool decode(bool key, bool allowed, Time100ns lateness, Time100ns frameDuration)
    {
        if (key) {
            m_keysOnly = false;
            return true;
        }
        if (allowed && lateness > kToleranceFrames * frameDuration)
            m_keysOnly = true;
        return !m_keysOnly;
    }
    // A seek: the decoder starts afresh at a key frame.
    void reset() { m_keysOnly = false; }
    bool keysOnly() const { return m_keysOnly; }

private:
    bool m_keysOnly = false;
};

} // namespace kivora::playback
