#pragma once

#include "kivora/platform/PostMessage.h"
#include "kivora/settings/UpdateRules.h"

#include <QObject>

#include <array>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace kivora::settings {

// The update check: once per run it asks the update server for the versions of the recorder's
// firmware, this program and the recorder's GPS data, and posts the update notice (0x87d1) to the
// target when any differs. The requests run asynchronously on the UI thread's event loop (nothing
// blocks), through the system's proxy settings, each given up after the timeout; a response is
// read up to kMaxResponseBytes. UI thread only, except noticeText() (any thread).
class CInetConnectionAsync final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kTimeout { 10000 };

    explicit CInetConnectionAsync(platform::MessageTarget target, QObject* parent = nullptr);
    // Aborts a running check.
    ~CInetConnectionAsync() override;

    // The server the version files are read from ("https://host" or "http://host:port"); anything
    // that is not http or https counts as none, and without a server there is no check.
    void setBaseUrl(const std::string& baseUrl);
    const std::string& baseUrl() const { return m_baseUrl; }
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // Starts the check once per run: later calls, and calls without a server, do nothing and
    // return false. firmware "1.2.3", gps "230415", modelKey the card's shortcut name; each may
    // be empty (that item is then not compared).
    bool StartUpdateCheck(const std::string& firmware, const std::string& gps, const std::string& modelKey);
    // Aborts every request still running; the check then ends without a notice. Returns at once.
    void stop();

    bool started() const { return m_started; }
    bool running() const { return m_pending > 0; }

    // The notice's rich text and its items, set before the notice is posted; empty before.
    std::string noticeText() const;
    std::vector<UpdateNoticeItem> noticeItems() const;

Q_SIGNALS:
    // The check ended (with or without a notice, or stopped).
    void finished();

private:
    struct Download {
        QNetworkReply* reply = nullptr; // owned through Qt, deleted later after it finished
        QTimer* timer = nullptr; // child of this
        std::string body;
        bool bounded = false; // the body reached kMaxResponseBytes and the rest was not read
        std::optional<std::string>* result = nullptr; // into m_inputs
    };

    void request(const std::string& path, std::optional<std::string>* result);
    void onReadyRead(Download& d);
    void onReplyFinished(Download& d);
    void complete();

    platform::MessageTarget m_target;
    std::string m_baseUrl;
    std::chrono::milliseconds m_timeout = kTimeout;
    bool m_started = false;
    bool m_stopped = false;
    int m_pending = 0;
    UpdateInputs m_inputs;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::array<Download, 3> m_downloads;
    int m_downloadCount = 0;

    mutable std::mutex m_mutex; // guards the two notice fields below
    std::string m_noticeText;
    std::vector<UpdateNoticeItem> m_noticeItems;
};

} // namespace kivora::settings
