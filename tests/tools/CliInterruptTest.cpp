// Ctrl-C or SIGTERM while concat, bundle or repair works: the job stops through its own stop check,
// removes what it staged and exits with 130; nothing appears in the output folder, hidden files
// included.
#include "tests/tools/ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using kivora::testing::runCli;
namespace fs = std::filesystem;

namespace {

struct Ended {
    int status = -1; // exit status; -1 when it did not exit by itself
    std::string messages;
};

bool blockedOnPipe(pid_t pid)
{
    std::ifstream wchan("/proc/" + std::to_string(pid) + "/wchan");
    std::string where;
    std::getline(wchan, where);
    return where.find("pipe") != std::string::npos;
}

// Runs kivora-cli with its messages going into a pipe that is full already, so its first message
// (a progress line, written while the job is under way) blocks; the signal is sent there.
Ended interruptAtFirstMessage(const std::vector<std::string>& args, int signal)
{
    std::vector<std::string> all { KIVORA_CLI_PATH };
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    const std::string filler(4096, '.');
    while (::write(fds[1], filler.data(), filler.size()) > 0) { }
    ::fcntl(fds[1], F_SETFL, 0);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 2);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!blockedOnPipe(pid) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(pid, signal);

    Ended ended;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        ended.messages.append(buffer, std::size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        ended.status = WEXITSTATUS(status);
    ended.messages.erase(0, ended.messages.find_first_not_of('.'));
    return ended;
}

std::vector<std::string> entriesOf(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        names.push_back(e.path().filename().string());
    return names;
}

class CliInterrupt : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_root = std::make_unique<TempFolder>();
        // At a recorder's bit rate: several progress steps of every job.
        const auto made = runCli({ "democard", (*s_root / "card").string(), "--recordings", "2", "--days",
            "1", "--seconds", "4", "--main", "1920x1080", "--recorder-bitrate", "--no-sub", "--jobs", "1",
            "--triggers", "continuous" });
        ASSERT_EQ(made.status, 0) << made.out;
        for (const auto& e : fs::directory_iterator(*s_root / "card" / "Normal"))
            s_movies.push_back(e.path());
        std::sort(s_movies.begin(), s_movies.end());
        ASSERT_EQ(s_movies.size(), 2u);
    }
    static void TearDownTestSuite() { s_root.reset(); }

    static inline std::unique_ptr<TempFolder> s_root;
    static inline std::vector<fs::path> s_movies;
    TempFolder m_work;
};

TEST_F(CliInterrupt, ConcatBundleAndRepairLeaveNothing)
{
    // A copy of the first recording cut at 80 %, beside the second as its template.
    const fs::path brokenFolder = m_work / "Normal";
    fs::create_directories(brokenFolder);
    const fs::path broken = brokenFolder / s_movies[0].filename();
    fs::copy_file(s_movies[1], brokenFolder / s_movies[1].filename());
    fs::copy_file(s_movies[0], broken);
    fs::resize_file(broken, fs::file_size(broken) * 4 / 5);

    const fs::path out = m_work / "out";
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int signal;
    };
    const Case cases[] = {
        { "concat", { "concat", (out / "joined.MOV").string(), s_movies[0].string(), s_movies[1].string() },
            SIGINT },
        { "bundle", { "bundle", out.string(), s_movies[0].string(), s_movies[1].string() }, SIGTERM },
        { "repair", { "repair", broken.string(), (out / broken.filename()).string() }, SIGINT },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directories(out);
        const Ended ended = interruptAtFirstMessage(c.args, c.signal);
        EXPECT_EQ(ended.status, 130) << ended.messages;
        EXPECT_NE(ended.messages.find("interrupted"), std::string::npos) << ended.messages;
        EXPECT_EQ(entriesOf(out), std::vector<std::string> {});
        fs::remove_all(out);
    }
}

} // namespace
