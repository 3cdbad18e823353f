#pragma once

// Cards for the browser's tests, written by our own generator once per test program.

#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kivora::browse::test {

inline const char* kAllTriggers
    = "continuous,shock,manual,speed-camera,radar,time-lapse,parking,parking-shock,parking-time-lapse";

// Writes a tiny card (one-second movies sharing one picture) into dir; extra options follow.
inline bool writeCard(const std::filesystem::path& dir, int recordings, std::vector<std::string> extra = {})
{
    std::vector<std::string> args { "democard", dir.string(), "--tiny", std::to_string(recordings),
        "--manifest", "none", "--triggers", kAllTriggers };
    args.insert(args.end(), extra.begin(), extra.end());
    const auto run = kivora::testing::runCli(args);
    EXPECT_EQ(run.status, 0) << run.out;
    return run.status == 0;
}

// Runs the event loop until done() or the time is up; true when done() held.
inline bool waitFor(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace kivora::browse::test

#include "kivora/browse/BrowseMessages.h"
#include "kivora/platform/MessageTable.h"
#include "tests/support/RunProgram.h"

#include <QObject>

namespace kivora::browse::test {

// Counts the source watcher's removal messages.
struct RemovalCounter {
    RemovalCounter()
    {
        messages.on(kMsgSourceRemoved, [this](auto, auto) { ++removed; });
    }
    QObject receiver;
    platform::MessageTable messages { &receiver };
    int removed = 0;
};

// A small FAT file system mounted on a loop device, for the tests that unmount a card; with
// orTmpfs, a memory file system where the kernel has no FAT. mounted() is false (with why())
// where the machine does not allow either.
class LoopFat {
public:
    explicit LoopFat(const std::filesystem::path& dir, bool orTmpfs = false)
        : m_image(dir / "card.img")
        , m_mountPoint(dir / "mnt")
    {
        std::filesystem::create_directories(m_mountPoint);
        if (::geteuid() != 0) {
            m_why = "needs root to mount a loop device";
            return;
        }
        const auto mk = kivora::testing::runProgram(
            { "mkfs.vfat", "-C", m_image.string(), "16384" }, kivora::testing::Stderr::Merge);
        if (mk.status != 0) {
            m_why = "mkfs.vfat failed: " + mk.out;
            return;
        }
        const auto mount
            = kivora::testing::runProgram({ "mount", "-o", "loop", m_image.string(), m_mountPoint.string() },
                kivora::testing::Stderr::Merge);
        if (mount.status != 0) {
            m_why = "mount -o loop failed: " + mount.out;
            if (!orTmpfs
                || kivora::testing::runProgram({ "mount", "-t", "tmpfs", "none", m_mountPoint.string() })
                        .status
                    != 0)
                return;
        }
        m_mounted = true;
    }
    ~LoopFat() { unmount(); }
    bool mounted() const { return m_mounted; }
    const std::string& why() const { return m_why; }
    const std::filesystem::path& mountPoint() const { return m_mountPoint; }
    bool unmount()
    {
        if (!m_mounted)
            return false;
        m_mounted = kivora::testing::runProgram({ "umount", m_mountPoint.string() }).status != 0;
        return !m_mounted;
    }

private:
    std::filesystem::path m_image;
    std::filesystem::path m_mountPoint;
    bool m_mounted = false;
    std::string m_why;
};

} // namespace kivora::browse::test
