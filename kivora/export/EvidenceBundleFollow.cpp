#include "kivora/export/EvidenceBundleFollow.h"

#include "kivora/export/Sha256.h"
#include "kivora/system/UniqueFd.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <vector>

namespace kivora::exporting {

namespace {

constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
// A wait for the writer is short: it writes faster than the hash reads, so it is rarely waited on,
// and an event that was missed costs no more than this.
constexpr int kWaitMs = 5;

// One file followed from its creation.
struct Tail {
    std::string name; // as created
    system::UniqueFd fd;
    Sha256 sha;
    std::uint64_t size = 0;
    bool closed = false; // the writer closed it: what is read to the end now is all of it
    bool done = false;
    bool failed = false;
    std::string digest;
    dev_t dev = 0;
    ino_t ino = 0;
};

} // namespace

struct FolderFollower::State {
    system::UniqueFd folder;
    system::UniqueFd events;
    std::vector<std::unique_ptr<Tail>> tails; // in the order of creation
    std::atomic<bool> over { false };
    std::function<bool()> stopped;
};

FolderFollower::FolderFollower(const std::filesystem::path& folder, std::function<bool()> stopped)
    : m_state(std::make_unique<State>())
{
    m_state->stopped = std::move(stopped);
    m_state->folder = system::UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    m_state->events = system::UniqueFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!m_state->folder || !m_state->events
        || ::inotify_add_watch(m_state->events.get(), folder.c_str(), IN_CREATE | IN_CLOSE_WRITE | IN_MODIFY)
            < 0) {
        // Nothing is followed; every file is then hashed after it is written.
        m_state->over = true;
        return;
    }
    m_thread = std::jthread([this](std::stop_token stop) { run(stop); });
}

FolderFollower::~FolderFollower() = default;

void FolderFollower::finish()
{
    m_finishing = true;
    m_state->over.wait(false);
}

void FolderFollower::stop()
{
    m_thread.request_stop();
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
    alignas(inotify_event) char events[16 * 1024];
    const auto takeEvents = [&] {
        for (;;) {
            const ssize_t got = ::read(s.events.get(), events, sizeof events);
            if (got <= 0)
                return;
            for (ssize_t at = 0; at < got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(events + at);
                at += ssize_t(sizeof(inotify_event) + e->len);
                if (e->len == 0 || (e->mask & IN_ISDIR))
                    continue;
                const std::string name = e->name;
                if (e->mask & IN_CREATE) {
                    auto tail = std::make_unique<Tail>();
                    tail->name = name;
                    tail->fd = system::UniqueFd(
                        ::openat(s.folder.get(), name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
                    struct stat st { };
                    if (!tail->fd || ::fstat(tail->fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
                        continue; // gone already, or not a file: hashed afterwards if it matters
                    tail->dev = st.st_dev;
                    tail->ino = st.st_ino;
                    s.tails.push_back(std::move(tail));
                }
                if (e->mask & IN_CLOSE_WRITE)
                    for (const auto& tail : s.tails)
                        if (tail->name == name)
                            tail->closed = true;
            }
        }
    };
    const auto wait = [&] {
        pollfd p { s.events.get(), POLLIN, 0 };
        ::poll(&p, 1, kWaitMs);
    };
    while (!stop.stop_requested() && !(s.stopped && s.stopped())) {
        // Seen before the events are taken: every file the writer made is then among them.
        const bool finishing = m_finishing;
        takeEvents();
        Tail* current = nullptr;
        for (const auto& tail : s.tails)
            if (!tail->done) {
                current = tail.get();
                break;
            }
        if (!current) {
            if (finishing)
                break;
            wait();
            continue;
        }
        // Known closed before this read: a read that finds the end then has seen everything.
        const bool closed = current->closed || finishing;
        const ssize_t got = ::read(current->fd.get(), buffer.get(), kBlockBytes);
        if (got > 0) {
            const double t0 = ThreadCpuSeconds();
            current->sha.update({ buffer.get(), std::size_t(got) });
            m_seconds += ThreadCpuSeconds() - t0;
            m_bytes += std::uint64_t(got);
            current->size += std::uint64_t(got);
        } else if (got < 0 && errno != EINTR) {
            current->done = current->failed = true;
        } else if (got == 0 && closed) {
            current->digest = current->sha.finishHex();
            current->done = true;
        } else if (got == 0) {
            wait();
        }
    }
    s.over = true;
    s.over.notify_all();
}

} // namespace kivora::exporting
