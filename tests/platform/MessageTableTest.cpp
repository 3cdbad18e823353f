#include "kivora/platform/MessageTable.h"

#include "tests/support/QtTestApp.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

using namespace kivora::platform;

namespace {

// Numbers of the kind the windows use (0x8000 upwards); the table does not care which layer owns them.
constexpr unsigned kMsgFileOpProgress = 0x8008;
constexpr unsigned kMsgTelemetryLoaded = 0x8515;
constexpr unsigned kMsgFileOpFinished = 0x8516;
constexpr unsigned kMsgMovieReady = 0x8261;
constexpr unsigned kMsgListDoubleClick = 0x8385;

struct Received {
    unsigned message;
    WParam wParam;
    LParam lParam;
    bool onReceiverThread;
};

// A receiver the way windows use it: a QObject with a MessageTable member.
class Receiver : public QObject {
public:
    Receiver()
    {
        for (unsigned m : { kMsgTelemetryLoaded, kMsgFileOpProgress, kMsgFileOpFinished })
            m_messages.on(m, [this, m](WParam w, LParam l) { record(m, w, l); });
        m_messages.ignore(kMsgListDoubleClick);
    }
    MessageTable& messages() { return m_messages; }
    std::vector<Received> received;

private:
    void record(unsigned m, WParam w, LParam l)
    {
        received.push_back({ m, w, l, QThread::currentThread() == thread() });
    }
    MessageTable m_messages { this };
};

} // namespace

TEST(PostMessage, WorkerThreadsReachTheDispatchTableOnTheReceiversThreadInOrder)
{
    qtTestApp();
    Receiver receiver;
    const MessageTarget target = receiver.messages().target();

    std::thread worker([target] {
        for (int done = 0; done <= 3; ++done)
            EXPECT_TRUE(postMessage(target, kMsgFileOpProgress, static_cast<WParam>(done), 3));
        EXPECT_TRUE(postMessage(target, kMsgFileOpFinished, 0, -1));
        EXPECT_TRUE(postMessage(target, kMsgTelemetryLoaded, 0, 1));
    });
    worker.join();
    EXPECT_TRUE(receiver.received.empty()) << "posting never runs the handler in the sender's thread";

    ASSERT_TRUE(processEventsUntil([&] { return receiver.received.size() == 6; }));
    for (int i = 0; i <= 3; ++i) {
        EXPECT_EQ(receiver.received[i].message, kMsgFileOpProgress);
        EXPECT_EQ(receiver.received[i].wParam, static_cast<WParam>(i));
        EXPECT_EQ(receiver.received[i].lParam, 3);
    }
    EXPECT_EQ(receiver.received[4].message, kMsgFileOpFinished);
    EXPECT_EQ(receiver.received[4].lParam, -1) << "lParam is signed";
    EXPECT_EQ(receiver.received[5].message, kMsgTelemetryLoaded);
    for (const auto& r : receiver.received)
        EXPECT_TRUE(r.onReceiverThread);
}

TEST(PostMessage, ManyThreadsPostingAtOnceLoseNothing)
{
    qtTestApp();
    Receiver receiver;
    const MessageTarget target = receiver.messages().target();
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([target, t] {
            for (int i = 0; i < kEach; ++i)
                postMessage(target, kMsgFileOpProgress, static_cast<WParam>(t), i);
        });
    for (auto& w : workers)
        w.join();
    ASSERT_TRUE(processEventsUntil([&] { return receiver.received.size() == kThreads * kEach; }));
    // Each sender's messages arrive in the order it posted them.
    std::vector<LParam> next(kThreads, 0);
    for (const auto& r : receiver.received)
        EXPECT_EQ(r.lParam, next[r.wParam]++);
}

TEST(PostMessage, AGoneReceiverIsNeverReached)
{
    qtTestApp();
    MessageTarget target;
    EXPECT_FALSE(target.alive());
    EXPECT_FALSE(postMessage(target, kMsgTelemetryLoaded));
    {
        Receiver receiver;
        target = receiver.messages().target();
        EXPECT_TRUE(target.alive());
        // Still queued when the receiver goes: dropped with it.
        EXPECT_TRUE(postMessage(target, kMsgTelemetryLoaded, 0, 1));
    }
    EXPECT_FALSE(target.alive());

    // A worker that keeps posting while the receiver is destroyed must neither crash nor deliver late.
    std::atomic<bool> stop { false };
    std::atomic<int> refused { 0 };
    auto receiver = std::make_unique<Receiver>();
    target = receiver->messages().target();
    std::thread worker([&, target] {
        while (!stop)
            if (!postMessage(target, kMsgTelemetryLoaded, 0, 1))
                ++refused;
    });
    processEventsUntil([&] { return receiver->received.size() > 10; });
    receiver.reset();
    processEventsUntil([&] { return refused > 10; });
    stop = true;
    worker.join();
    EXPECT_GT(refused.load(), 0);
    QCoreApplication::processEvents();
}

TEST(SendMessage, DirectMessagesRunAtOnceAndUnknownNumbersPassOn)
{
    qtTestApp();
    Receiver receiver;
    EXPECT_TRUE(sendMessage(&receiver, kMsgTelemetryLoaded, 7, 1));
    ASSERT_EQ(receiver.received.size(), 1u);
    EXPECT_EQ(receiver.received[0].wParam, 7u);

    EXPECT_TRUE(sendMessage(&receiver, kMsgListDoubleClick)) << "an ignored message is still taken";
    EXPECT_FALSE(sendMessage(&receiver, kMsgMovieReady)) << "no entry: the receiver's own handling decides";
    EXPECT_FALSE(sendMessage(nullptr, kMsgMovieReady));
    EXPECT_EQ(receiver.received.size(), 1u);

    // A handler may be replaced; the new one takes the next message.
    int replaced = 0;
    receiver.messages().on(kMsgTelemetryLoaded, [&](WParam, LParam) { ++replaced; });
    EXPECT_TRUE(postMessage(&receiver, kMsgTelemetryLoaded));
    ASSERT_TRUE(processEventsUntil([&] { return replaced == 1; }));
    EXPECT_EQ(receiver.received.size(), 1u);
}
