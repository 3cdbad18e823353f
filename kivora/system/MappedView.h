#pragma once

#include "kivora/system/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace kivora::system {

// Largest view ever mapped at once; whole files are walked view by view.
inline constexpr std::size_t kMaxViewBytes = 32u << 20;

// A read-only view of part of a file. Owns the mapping; movable, not copyable.
// bytes() covers exactly the requested range (the mapping itself starts on a page boundary).
class MappedView {
public:
    MappedView() = default;
    MappedView(MappedView&& other) noexcept;
    MappedView& operator=(MappedView&& other) noexcept;
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView();

    bool valid() const { return m_base != nullptr || m_length == 0; }
    std::span<const std::byte> bytes() const { return { m_data, m_length }; }
    const std::uint8_t* data() const { return reinterpret_cast<const std::uint8_t*>(m_data); }
    std::size_t size() const { return m_length; }

private:
    friend class MappedFile;
    void reset();

    void* m_base = nullptr; // start of the page-aligned mapping
    std::size_t m_mappedLength = 0;
    const std::byte* m_data = nullptr;
    std::size_t m_length = 0;
};

// A file opened read-only for mapping. Never writes to the file.
class MappedFile {
public:
    MappedFile() = default;
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // False with a system error text in error() when the file cannot be opened.
    bool open(const std::filesystem::path& path);
    void close();
    bool isOpen() const { return m_fd.valid(); }
    std::uint64_t size() const { return m_size; }
    const std::string& error() const { return m_error; }

    // Maps [offset, offset + length), clipped to the file's end and to kMaxViewBytes.
    // An empty or failed mapping gives a view with size() == 0; error() says why on failure.
    MappedView map(std::uint64_t offset, std::size_t length);

private:
    UniqueFd m_fd;
    std::uint64_t m_size = 0;
    std::string m_error;
};

} // namespace kivora::system
