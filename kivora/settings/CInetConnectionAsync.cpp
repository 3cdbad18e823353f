#include "kivora/settings/CInetConnectionAsync.h"

#include "kivora/settings/SettingsMessages.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace kivora::settings {

CInetConnectionAsync::CInetConnectionAsync(platform::MessageTarget target, QObject* parent)
    : QObject(parent)
    , m_target(std::move(target))
{
}

CInetConnectionAsync::~CInetConnectionAsync()
{
    stop();
}

void CInetConnectionAsync::setBaseUrl(const std::string& baseUrl)
{
    m_baseUrl = usableBaseUrl(baseUrl).value_or(std::string());
}

bool CInetConnectionAsync::StartUpdateCheck(
    const std::string& firmware, const std::string& gps, const std::string& modelKey)
{
    if (m_started || m_baseUrl.empty())
        return false;
    m_started = true;
    m_inputs = UpdateInputs { firmware, gps, modelKey, {}, {}, {} };
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    m_network = std::make_unique<QNetworkAccessManager>();
    if (const auto paths = firmwarePaths(modelKey); paths && !firmware.empty())
        request(paths->versionFile, &m_inputs.firmwareBody);
    request(viewerPaths().versionFile, &m_inputs.viewerBody);
    if (!gps.empty())
        request(gpsDataPaths().versionFile, &m_inputs.gpsBody);
    return true;
}

void CInetConnectionAsync::request(const std::string& path, std::optional<std::string>* result)
{
    Download& d = m_downloads[std::size_t(m_downloadCount++)];
    d.result = result;
    QNetworkRequest req(QUrl(QString::fromStdString(m_baseUrl + path)));
    req.setRawHeader("Accept", "*/*");
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    req.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("kivora"));
    // The transfer timeout catches a server that stalls; the timer below one that trickles.
    req.setTransferTimeout(int(m_timeout.count()));
    d.reply = m_network->get(req);
    ++m_pending;
    d.timer = new QTimer(this);
    d.timer->setSingleShot(true);
    connect(d.timer, &QTimer::timeout, d.reply, &QNetworkReply::abort);
    d.timer->start(m_timeout);
    connect(d.reply, &QNetworkReply::readyRead, this, [this, &d] { onReadyRead(d); });
    connect(d.reply, &QNetworkReply::finished, this, [this, &d] { onReplyFinished(d); });
}

void CInetConnectionAsync::onReadyRead(Download& d)
{
    const qint64 room = qint64(kMaxResponseBytes) - qint64(d.body.size());
    const QByteArray chunk = d.reply->read(std::max<qint64>(room, 0));
    d.body.append(chunk.constData(), std::size_t(chunk.size()));
    if (d.body.size() >= kMaxResponseBytes && !d.bounded) {
        // A version file is a few bytes; the rest of a huge answer is not worth fetching.
        d.bounded = true;
        d.reply->abort();
    }
}

void CInetConnectionAsync::onReplyFinished(Download& d)
{
    if (!d.reply)
        return;
    if (!d.bounded && d.reply->error() == QNetworkReply::NoError) {
        const qint64 room = qint64(kMaxResponseBytes) - qint64(d.body.size());
        const QByteArray rest = d.reply->read(std::max<qint64>(room, 0));
        d.body.append(rest.constData(), std::size_t(rest.size()));
    }
    const int status = d.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok
        = d.bounded || (d.reply->error() == QNetworkReply::NoError && status >= 200 && status < 300);
    if (ok && !m_stopped)
        *d.result = d.body;
    d.timer->stop();
    d.timer->deleteLater();
    d.timer = nullptr;
    d.reply->deleteLater();
    d.reply = nullptr;
    if (--m_pending == 0)
        complete();
}

void CInetConnectionAsync::complete()
{
    if (!m_stopped) {
        auto items = compareVersions(m_inputs);
        if (!items.empty()) {
            {
                std::lock_guard lock(m_mutex);
                m_noticeText = noticeMarkup(items, m_baseUrl);
                m_noticeItems = std::move(items);
            }
            platform::postMessage(m_target, kMsgUpdateFound);
        }
    }
    Q_EMIT finished();
}

void CInetConnectionAsync::stop()
{
    m_stopped = true;
    for (Download& d : m_downloads)
        if (d.reply)
            d.reply->abort(); // finishes the reply at once, which counts it down
}

std::string CInetConnectionAsync::noticeText() const
{
    std::lock_guard lock(m_mutex);
    return m_noticeText;
}

std::vector<UpdateNoticeItem> CInetConnectionAsync::noticeItems() const
{
    std::lock_guard lock(m_mutex);
    return m_noticeItems;
}

} // namespace kivora::settings
