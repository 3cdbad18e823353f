#include "kivora/export/EvidenceBundleFollow.h"

#include "kivora/export/Sha256.h"
#include "kivora/system/FileOps.h"
#include "kivora/system/UniqueFd.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <iterator>
#include <mutex>
#include <vector>

namespace kivora::exporting {

namespace {

constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
// A wait for the writer is short: it writes faster than the hash reads, so it is rarely waited on,
// and an event that was missed costs no more than this.
constexpr int kWaitMs = 5;

// One file followed from its creation.
struct Tail {
    int watch = -1; // of the folder it was created in
    std::string name; // as created
    system::UniqueFd fd;
    Sha256 sha;
    std::uint64_t size = 0;
    std::atomic<bool> closed = false; // the writer closed it: what is read to the end now is all of it
    bool claimed = false; // a hashing thread has taken it
    bool done = false;
    bool failed = false;
    std::string digest;
    dev_t dev = 0;
    ino_t ino = 0;
};

} // namespace

struct FolderFollower::State {
    // The followed folder and the folders made in it (the join stages a movie in one).
    struct Folder {
        int watch = -1;
        system::UniqueFd fd;
        std::filesystem::path path;
    };
    std::vector<Folder> folders;
    system::UniqueFd events;
    std::mutex mutex; // guards the events' descriptor, folders, tails and the sums below
    std::vector<std::unique_ptr<Tail>> tails; // in the order of creation
    int running = 0;
    std::uint64_t bytes = 0;
    double seconds = 0.0;
    std::atomic<bool> over { false };
    std::function<bool()> stopped;

    bool watch(const std::filesystem::path& path)
    {
        Folder folder { -1, system::openFolderHandle(path), path };
        folder.watch = folder.fd ? ::inotify_add_watch(
                           events.get(), path.c_str(), IN_CREATE | IN_CLOSE_WRITE | IN_MODIFY | IN_ONLYDIR)
                                 : -1;
        if (folder.watch < 0)
            return false;
        folders.push_back(std::move(folder));
        return true;
    }
    void follow(const Folder& folder, const std::string& name)
    {
        auto tail = std::make_unique<Tail>();
        tail->watch = folder.watch;
        tail->name = name;
        tail->fd
            = system::UniqueFd(::openat(folder.fd.get(), name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        struct stat st { };
        if (!tail->fd || ::fstat(tail->fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
            return; // gone already, or not a file: hashed afterwards if it matters
        for (const auto& known : tails)
            if (known->dev == st.st_dev && known->ino == st.st_ino)
                return;
        tail->dev = st.st_dev;
        tail->ino = st.st_ino;
        tails.push_back(std::move(tail));
    }
    // Takes the events that have come; with mutex held.
    void takeEvents()
    {
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t got = ::read(events.get(), buffer, sizeof buffer);
            if (got <= 0)
                return;
            for (ssize_t at = 0; at < got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + e->len);
                const auto folder = std::find_if(
                    folders.begin(), folders.end(), [&](const Folder& f) { return f.watch == e->wd; });
                if (e->len == 0 || folder == folders.end())
                    continue;
                const std::string name = e->name;
                if ((e->mask & IN_CREATE) && (e->mask & IN_ISDIR)) {
                    // One level down; what was made in it before it was watched is followed too.
                    if (folder == folders.begin() && watch(folder->path / name)) {
                        const Folder& made = folders.back();
                        std::error_code ec;
                        for (const auto& entry : std::filesystem::directory_iterator(made.path, ec))
                            follow(made, entry.path().filename().string());
                    }
                    continue;
                }
                if (e->mask & IN_CREATE)
                    follow(*folder, name);
                if (e->mask & IN_CLOSE_WRITE)
                    for (const auto& tail : tails)
                        if (tail->watch == e->wd && tail->name == name)
                            tail->closed = true;
            }
        }
    }
    void wait()
    {
        pollfd p { events.get(), POLLIN, 0 };
        ::poll(&p, 1, kWaitMs);
    }
};

FolderFollower::FolderFollower(const std::filesystem::path& folder, std::function<bool()> stopped)
    : m_state(std::make_unique<State>())
{
    m_state->stopped = std::move(stopped);
    m_state->events = system::UniqueFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!m_state->events || !m_state->watch(folder)) {
        // Nothing is followed; every file is then hashed after it is written.
        m_state->over = true;
        return;
    }
    m_state->running = int(std::size(m_threads));
    for (std::jthread& thread : m_threads)
        thread = std::jthread([this](std::stop_token stop) { run(stop); });
}

FolderFollower::~FolderFollower() = default;

void FolderFollower::finish()
{
    m_finishing = true;
    m_state->over.wait(false);
}

void FolderFollower::stop()
{
    for (std::jthread& thread : m_threads)
        thread.request_stop();
}

std::uint64_t FolderFollower::hashedBytes() const
{
    return m_state->bytes;
}

double FolderFollower::hashSeconds() const
{
    return m_state->seconds;
}

std::optional<std::string> FolderFollower::digestOf(const std::filesystem::path& file) const
{
    struct stat st { };
    if (!m_state->over || ::stat(file.c_str(), &st) != 0)
        return std::nullopt;
    // The descriptor keeps the followed file alive, so its inode cannot have gone to another file.
    for (const auto& tail : m_state->tails)
        if (tail->done && !tail->failed && tail->dev == st.st_dev && tail->ino == st.st_ino
            && tail->size == std::uint64_t(st.st_size))
            return tail->digest;
    return std::nullopt;
}

void FolderFollower::run(std::stop_token stop)
{
    State& s = *m_state;
    const auto buffer = std::make_unique_for_overwrite<std::byte[]>(kBlockBytes);
    std::uint64_t bytes = 0;
    double seconds = 0.0;
    const auto stopping = [&] { return stop.stop_requested() || (s.stopped && s.stopped()); };
    Tail* current = nullptr; // claimed by this thread; read without the lock
    while (!stopping()) {
        if (!current) {
            std::unique_lock lock(s.mutex);
            // Seen before the events are taken: every file the writer made is then among them.
            const bool finishing = m_finishing;
            s.takeEvents();
            for (const auto& tail : s.tails)
                if (!tail->claimed) {
                    current = tail.get();
                    current->claimed = true;
                    break;
                }
            if (current)
                continue;
            if (finishing)
                break;
            lock.unlock();
            s.wait();
            continue;
        }
        // Known closed before this read: a read that finds the end then has seen everything.
        const bool closed = current->closed || m_finishing;
        const ssize_t got = ::read(current->fd.get(), buffer.get(), kBlockBytes);
        if (got > 0) {
            const double t0 = ThreadCpuSeconds();
            current->sha.update({ buffer.get(), std::size_t(got) });
            seconds += ThreadCpuSeconds() - t0;
            bytes += std::uint64_t(got);
            current->size += std::uint64_t(got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || closed) {
            const std::lock_guard lock(s.mutex);
            current->failed = got < 0;
            if (got == 0)
                current->digest = current->sha.finishHex();
            current->done = true;
            current = nullptr;
            continue;
        }
        {
            const std::lock_guard lock(s.mutex);
            s.takeEvents();
        }
        s.wait();
    }
    const std::lock_guard lock(s.mutex);
    s.bytes += bytes;
    s.seconds += seconds;
    if (--s.running == 0) {
        s.over = true;
        s.over.notify_all();
    }
}

} // namespace kivora::exporting
