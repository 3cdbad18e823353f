#pragma once

// Internal to the recording layer: bounded random access to a mapped file through one moving view.

#include "kivora/recording/MappedView.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace kivora::recording {

// at() never hands out a pointer to bytes outside the file. nullptr means "beyond the end" unless
// failed() says that a mapping failed (onMapFailure has then been called once per failure).
class FileWindow {
public:
    // Views are this large; far inside kMaxViewBytes so that sequential walks remap rarely.
    static constexpr std::size_t kWindow = 16u << 20;
    // A remapped view starts this far before the requested position, so that a look back at an
    // atom's size field (4 bytes before its type) seldom needs another mapping.
    static constexpr std::uint64_t kBackSlack = 64;

    FileWindow(MappedFile& file, std::uint64_t fileSize, std::uint32_t* viewCounter = nullptr,
               std::function<void()> onMapFailure = {})
        : m_file(file), m_fileSize(fileSize), m_viewCounter(viewCounter), m_onMapFailure(std::move(onMapFailure))
    {
    }

    const std::uint8_t* at(std::uint64_t pos, std::size_t need)
    {
        if (need == 0 || need > kWindow - kBackSlack || pos > m_fileSize || need > m_fileSize - pos)
            return nullptr;
        if (pos >= m_start && pos + need <= m_start + m_view.size())
            return m_view.data() + (pos - m_start);
        const std::uint64_t start = pos - std::min(pos, kBackSlack);
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, m_fileSize - start));
        m_view = MappedView(); // one view at a time
        m_view = m_file.map(start, length);
        if (m_view.size() < (pos - start) + need) {
            m_view = MappedView();
            m_failed = true;
            if (m_onMapFailure)
                m_onMapFailure();
            return nullptr;
        }
        if (m_viewCounter)
            ++*m_viewCounter;
        m_start = start;
        return m_view.data() + (pos - start);
    }

    // Bytes of the current view from pos on; pos must lie inside it (after a successful at()).
    std::size_t available(std::uint64_t pos) const { return static_cast<std::size_t>(m_start + m_view.size() - pos); }

    bool failed() const { return m_failed; }

private:
    MappedFile& m_file;
    std::uint64_t m_fileSize;
    std::uint32_t* m_viewCounter;
    std::function<void()> m_onMapFailure;
    MappedView m_view;
    std::uint64_t m_start = 0;
    bool m_failed = false;
};

} // namespace kivora::recording
