#include "kivora/system/StagedFile.h"

#include "kivora/system/FileOps.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <initializer_list>
#include <random>
#include <string_view>

namespace kivora::system {

namespace fs = std::filesystem;

namespace {

// Small enough that a stop is seen within a fraction of a second even from a slow card.
constexpr std::size_t kCopyChunk = 2u << 20;
constexpr std::size_t kBufferBytes = 1u << 20; // copies through user memory
constexpr std::uint64_t kWriteBackStep = 4u << 20;

// Built by appending: GCC 12 warns falsely (-Wrestrict) about "text" + std::string&& at -O3.
std::string message(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (std::string_view part : parts)
        text += part;
    return text;
}

} // namespace

bool StagedFile::create(const fs::path& finalPath, bool durable, std::string& error)
{
    discard();
    m_final = finalPath;
    m_durable = durable;
    m_written = m_writeBackFrom = 0;
    m_stopped = false;
    static std::atomic<unsigned> serial { 0 };
    std::random_device random;
    const fs::path folder = folderOf(finalPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A dot name keeps the unfinished file out of folder listings.
        const std::string name
            = message({ ".", finalPath.filename().native(), ".kivora-", std::to_string(::getpid()), "-",
                std::to_string(serial++), "-", std::to_string(random() % 100000), ".part" });
        const fs::path temp = folder / name;
        m_fd = UniqueFd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (m_fd) {
            m_temp = temp;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    error = message({ "cannot create a file in ", quoted(folder), ": ", systemError() });
    return false;
}

void StagedFile::adoptAttributesOf(const fs::path& existing)
{
    struct stat old { };
    if (!m_fd || ::stat(existing.c_str(), &old) != 0)
        return;
    // Only root may hand the file back to another owner; the new content matters more than that.
    if (::fchmod(m_fd.get(), old.st_mode & 07777) != 0 || ::fchown(m_fd.get(), old.st_uid, old.st_gid) != 0)
        return;
}

bool StagedFile::write(const void* data, std::size_t size, std::string& error)
{
    if (stopRequested(error))
        return false;
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd.get(), p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = message({ "cannot write ", quoted(m_final), ": ", n < 0 ? systemError() : "disk full" });
            return false;
        }
        p += n;
        size -= std::size_t(n);
        advance(std::uint64_t(n));
    }
    return true;
}

bool StagedFile::copyFrom(
    const fs::path& source, std::uint64_t offset, std::uint64_t length, const char* what, std::string& error)
{
    const UniqueFd in = openForReading(source);
    if (!in) {
        error = message({ "cannot read ", quoted(source), ": ", systemError() });
        return false;
    }
    return copyRange(in.get(), source, offset, length, what, error);
}

bool StagedFile::copyRange(int in, const fs::path& source, std::uint64_t offset, std::uint64_t length,
    const char* what, std::string& error)
{
    // Cheapest first: a copy inside the file system, a copy inside the kernel (which also crosses
    // file systems, as from a card to the disk), and a read into a buffer.
    enum class Path { Range, SendFile, Buffer } path = Path::Range;
    while (length > 0) {
        if (stopRequested(error))
            return false;
        const std::size_t want = std::size_t(std::min<std::uint64_t>(length, kCopyChunk));
        ssize_t n = -1;
        if (path == Path::Range || path == Path::SendFile) {
            loff_t from = loff_t(offset);
            n = path == Path::Range ? ::copy_file_range(in, &from, m_fd.get(), nullptr, want, 0)
                                    : ::sendfile(m_fd.get(), in, &from, want);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                path = path == Path::Range ? Path::SendFile : Path::Buffer;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = message({ "cannot write ", quoted(m_final), ": ", systemError() });
                return false;
            }
        } else {
            m_buffer.resize(std::min(want, kBufferBytes));
            n = ::pread(in, m_buffer.data(), m_buffer.size(), off_t(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = message({ "cannot read ", quoted(source), ": ", systemError() });
                return false;
            }
            if (n > 0) {
                // write() counts the bytes itself.
                if (!write(m_buffer.data(), std::size_t(n), error))
                    return false;
                offset += std::uint64_t(n);
                length -= std::uint64_t(n);
                continue;
            }
        }
        if (n == 0) {
            error = message({ quoted(source), " ended before its ", what });
            return false;
        }
        offset += std::uint64_t(n);
        length -= std::uint64_t(n);
        advance(std::uint64_t(n));
    }
    return true;
}

bool StagedFile::truncate(std::uint64_t size, std::string& error)
{
    if (::ftruncate(m_fd.get(), off_t(size)) != 0 || ::lseek(m_fd.get(), off_t(size), SEEK_SET) < 0) {
        error = message({ "cannot write ", quoted(m_final), ": ", systemError() });
        return false;
    }
    m_written = size;
    m_writeBackFrom = std::min(m_writeBackFrom, size);
    return true;
}

bool StagedFile::writeAt(std::uint64_t offset, const void* data, std::size_t size, std::string& error)
{
    if (offset + size > m_written || ::pwrite(m_fd.get(), data, size, off_t(offset)) != ssize_t(size)) {
        error = message({ "cannot write ", quoted(m_final), ": ", systemError() });
        return false;
    }
    return true;
}

void StagedFile::advance(std::uint64_t n)
{
    // Start writing back what is written, so that the flush before the rename has less to wait
    // for. Without a flush to come this only slows the copy.
    m_written += n;
    if (m_durable && m_written - m_writeBackFrom >= kWriteBackStep) {
        ::sync_file_range(
            m_fd.get(), off_t(m_writeBackFrom), off_t(m_written - m_writeBackFrom), SYNC_FILE_RANGE_WRITE);
        m_writeBackFrom = m_written;
    }
    if (m_observer)
        m_observer(n);
}

bool StagedFile::stopRequested(std::string& error)
{
    if (!m_stopped && m_stop && m_stop())
        m_stopped = true;
    if (m_stopped)
        error = message({ "writing ", quoted(m_final), " was stopped" });
    return m_stopped;
}

bool StagedFile::finish(std::string& error)
{
    // A network file system may report a lost write only at the flush or the close.
    const bool flushed = !m_durable || ::fsync(m_fd.get()) == 0;
    const int flushError = errno;
    const bool closed = m_fd.close();
    if (!flushed || !closed) {
        errno = flushed ? errno : flushError;
        error = message({ "cannot write ", quoted(m_final), ": ", systemError() });
        return false;
    }
    return true;
}

bool StagedFile::commit(std::string& error)
{
    if (::rename(m_temp.c_str(), m_final.c_str()) != 0) {
        error = message({ "cannot replace ", quoted(m_final), ": ", systemError() });
        return false;
    }
    m_temp.clear();
    return true;
}

void StagedFile::discard()
{
    m_fd.close();
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
}

bool writeFileAtomically(const fs::path& requested, std::string_view bytes, std::string* error)
{
    fs::path target = requested;
    std::error_code ec;
    if (fs::is_symlink(requested, ec)) {
        const auto resolved = fs::weakly_canonical(requested, ec);
        if (!ec)
            target = resolved;
    }
    std::string why;
    StagedFile file;
    bool ok = file.create(target, true, why);
    if (ok) {
        file.adoptAttributesOf(target);
        ok = file.write(bytes, why) && file.finish(why) && file.commit(why);
    }
    if (!ok) {
        if (error)
            *error = why;
        return false;
    }
    // Make the rename itself durable.
    syncFolder(folderOf(target));
    return true;
}

} // namespace kivora::system
