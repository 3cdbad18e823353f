// The bundle's report as the web engine shows it: it loads, and asks for nothing beyond its folder.

#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace {

namespace fs = std::filesystem;

class RecordingInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        std::lock_guard lock(m_mutex);
        m_urls.push_back(info.requestUrl());
    }
    QList<QUrl> urls()
    {
        std::lock_guard lock(m_mutex);
        return m_urls;
    }

private:
    std::mutex m_mutex; // requests arrive on the engine's IO thread
    QList<QUrl> m_urls;
};

TEST(ReportPageTest, LoadsWithoutARemoteRequest)
{
    TempFolder work;
    const fs::path card = work / "card";
    ASSERT_EQ(kivora::testing::runCli(
                  { "democard", card.string(), "--recordings", "2", "--days", "1", "--seconds", "2", "--main",
                      "320x180", "--triggers", "shock,manual", "--manifest", "none" })
                  .status,
        0);
    std::vector<std::string> command { "bundle", (work / "out").string() };
    fs::create_directories(work / "out");
    for (const auto& e : fs::directory_iterator(card / "Normal"))
        if (e.path().string().ends_with("M.MOV"))
            command.push_back(e.path().string());
    const auto built = kivora::testing::runCli(command, kivora::testing::Stderr::Inherit);
    ASSERT_EQ(built.status, 0);
    const fs::path report = fs::path(built.out.substr(0, built.out.find('\n'))) / "report.html";
    ASSERT_TRUE(fs::exists(report)) << report;

    QWebEngineProfile profile; // off the record: nothing of this test stays behind
    RecordingInterceptor interceptor;
    profile.setUrlRequestInterceptor(&interceptor);
    QWebEnginePage page(&profile);
    QEventLoop loop;
    bool loaded = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool ok) {
        loaded = ok;
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    page.load(QUrl::fromLocalFile(QString::fromStdString(report.string())));
    loop.exec();
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(page.title().startsWith("Evidence bundle")) << page.title().toStdString();
    const QList<QUrl> urls = interceptor.urls();
    EXPECT_FALSE(urls.isEmpty());
    for (const QUrl& url : urls)
        EXPECT_TRUE(url.isLocalFile()) << url.toString().toStdString();
}

} // namespace

// The web engine needs its settings before the application exists; CI has no GPU.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-gpu-compositing", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine's sandbox refuses to start for root.
    if (::geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
