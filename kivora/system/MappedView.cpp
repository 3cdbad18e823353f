#include "kivora/system/MappedView.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kivora::system {

MappedView::MappedView(MappedView&& other) noexcept
    : m_base(std::exchange(other.m_base, nullptr))
    , m_mappedLength(std::exchange(other.m_mappedLength, 0))
    , m_data(std::exchange(other.m_data, nullptr))
    , m_length(std::exchange(other.m_length, 0))
{
}

MappedView& MappedView::operator=(MappedView&& other) noexcept
{
    if (this != &other) {
        reset();
        m_base = std::exchange(other.m_base, nullptr);
        m_mappedLength = std::exchange(other.m_mappedLength, 0);
        m_data = std::exchange(other.m_data, nullptr);
        m_length = std::exchange(other.m_length, 0);
    }
    return *this;
}

MappedView::~MappedView()
{
    reset();
}

void MappedView::reset()
{
    if (m_base)
        ::munmap(m_base, m_mappedLength);
    m_base = nullptr;
    m_mappedLength = 0;
    m_data = nullptr;
    m_length = 0;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_fd(std::move(other.m_fd))
    , m_size(std::exchange(other.m_size, 0))
    , m_error(std::move(other.m_error))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::move(other.m_fd);
        m_size = std::exchange(other.m_size, 0);
        m_error = std::move(other.m_error);
    }
    return *this;
}

MappedFile::~MappedFile()
{
    close();
}

bool MappedFile::open(const std::filesystem::path& path)
{
    close();
    m_error.clear();
    // O_NONBLOCK: a FIFO in a movie's place must not block the caller; regular files ignore it.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        m_error = std::strerror(errno);
        return false;
    }
    struct stat st { };
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        m_error = S_ISREG(st.st_mode) ? std::strerror(errno) : "Not a regular file";
        return false;
    }
    m_fd = std::move(fd);
    m_size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

void MappedFile::close()
{
    m_fd.close();
    m_size = 0;
}

MappedView MappedFile::map(std::uint64_t offset, std::size_t length)
{
    MappedView view;
    if (!m_fd || offset >= m_size || length == 0)
        return view;
    if (length > kMaxViewBytes)
        length = kMaxViewBytes;
    if (length > m_size - offset)
        length = static_cast<std::size_t>(m_size - offset);

    static const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t aligned = offset - offset % page;
    const std::size_t lead = static_cast<std::size_t>(offset - aligned);
    void* base
        = ::mmap(nullptr, lead + length, PROT_READ, MAP_PRIVATE, m_fd.get(), static_cast<off_t>(aligned));
    if (base == MAP_FAILED) {
        m_error = std::strerror(errno);
        return view;
    }
    view.m_base = base;
    view.m_mappedLength = lead + length;
    view.m_data = static_cast<const std::byte*>(base) + lead;
    view.m_length = length;
    return view;
}

} // namespace kivora::system
