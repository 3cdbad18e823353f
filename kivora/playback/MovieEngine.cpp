#include "kivora/playback/MovieEngine.h"

#include "kivora/platform/AtomicWrite.h"
#include "kivora/playback/MediaErrorReporter.h"
#include "kivora/playback/MovieMessages.h"
#include "kivora/playback/TelemetryLocks.h"
#include "kivora/playback/VideoSurface.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/RecordingName.h"

#include <QBuffer>
#include <QPainter>

#include <cmath>

namespace kivora::playback {

namespace {
constexpr int kOverlayWidth = 300;
constexpr int kOverlayHeight = 120;
constexpr int kJpegQuality = 90;

// Reader-side probe failed: the frame rate of the first video stream, from the demuxer.
float detectFramePeriod(const std::filesystem::path& path)
{
    MediaSource source;
    if (MediaSource::open(path, false, source) != MediaError::None || source.frameRate <= 0.0)
        return 0.0f;
    return float(1000.0 / source.frameRate);
}
} // namespace

std::int64_t framesOf(double time100ns, float framePeriodMs)
{
    if (framePeriodMs <= 0.0f)
        return 0;
    const double frames = time100ns / (double(framePeriodMs) * 10'000.0);
    // The time of frame k is computed in single precision and may fall a hair short of k.
    return std::int64_t(std::floor(frames + 1e-3));
}

MovieEngine::~MovieEngine()
{
    if (initialised)
        Uninit();
}

bool MovieEngine::Init(MovieWindow w, const QString& overlayFontFace)
{
    std::lock_guard lock(apiLock);
    window = std::move(w);
    state = EngineState::Closed;
    rateCode = kRateNormal;
    aspectMode = 1;
    zoomFactor = 1.0f;
    framePeriod = 0.0f;
    session.reset();
    overlayFont = QFont(overlayFontFace);
    overlayFont.setBold(true);
    overlayFont.setWeight(QFont::Bold);
    overlayFont.setFixedPitch(true);
    overlayFont.setUnderline(false);
    overlayFont.setPixelSize(42 * 96 / 72); // 42 points at the drawing surface's 96 dots per inch
    recording::InitReader(currentReader);
    recording::InitReader(spareReader);
    recording::InitReader(probeReader);
    recording::closeScanFile(probeReader);
    initialised = 1;
    return true;
}

int MovieEngine::Uninit()
{
    // Waits for every locked operation and for a running preload before tearing down.
    std::lock_guard parser(parserLock);
    std::lock_guard lock(apiLock);
    session.reset();
    state = EngineState::Closed;
    recording::Release(currentReader);
    recording::Release(spareReader);
    spareReader.file = recording::MappedFile {};
    recording::closeScanFile(probeReader);
    initialised = 0;
    return 1;
}

bool MovieEngine::IsMovieFile(const std::filesystem::path& path)
{
    std::lock_guard lock(apiLock);
    return recording::IsMovieFile(path);
}

int MovieEngine::Open(const std::filesystem::path& path)
{
    // The main engine's duration decides readiness below; its lock comes first, as everywhere.
    std::unique_lock<std::recursive_mutex> mainLock;
    if (m_main != this)
        mainLock = std::unique_lock(m_main->apiLock);
    std::lock_guard lock(apiLock);

    if (!IsMovieFile(path))
        return kOpenFailed;

    float period = 0.0f;
    const int probe = recording::ProbeTiming(probeReader, path);
    if (probe == recording::kProbeTooShort)
        return kOpenTooShort;
    if (probe == recording::kProbeOk)
        period = probeReader.msPerFrame;
    if (period <= 0.0f || !std::isfinite(period))
        period = detectFramePeriod(path);
    if (period <= 0.0f)
        return kOpenFailed;

    Close();
    framePeriod = period;
    currentReader.msPerFrame = period;
    currentReader.msPerFrameCopy = period;

    overlayBitmap = QImage(kOverlayWidth, kOverlayHeight, QImage::Format_ARGB32_Premultiplied);
    overlayBitmap.fill(Qt::transparent);

    platform::MessageTarget target = window.target;
    PresentEngine::Output output = window.surface ? window.surface->output() : PresentEngine::Output {};
    ++sessionSerial;
    session = std::make_unique<CPlayer>(
        [target](unsigned msg) { platform::postMessage(target, msg); }, std::move(output));
    if (const MediaError error = session->openUrl(path); error != MediaError::None) {
        // A picture nobody here can decode is worth telling the user why; other failures are
        // reported by the caller's "opening failed" message.
        if (error == MediaError::NoDecoder)
            reportMediaResult(reportCode(error));
        session.reset();
        framePeriod = 0.0f;
        return kOpenFailed;
    }
    session->setRate(1.0f, false);
    SetVolume(volume); // the volume given before the movie was opened
    canPlayBackwards = 0;

    if (m_main->initialised && m_main->GetDuration() > 0)
        state = EngineState::Stopped;
    return kOpenOk;
}

int MovieEngine::Close()
{
    std::lock_guard lock(apiLock);
    if (session) {
        session->close();
        session.reset();
    }
    if (window.surface)
        QMetaObject::invokeMethod(
            window.surface, [s = window.surface] { s->clearFrame(); }, Qt::QueuedConnection);
    overlayBitmap = QImage();
    framePeriod = 0.0f;
    state = EngineState::Closed;
    return 1;
}

bool MovieEngine::LoadTelemetry(const std::filesystem::path& moviePath)
{
    // A preload of another movie is asked to stop; one of this movie is waited for (parserLock).
    if (m_preloadBusy) {
        std::unique_lock parser(parserLock, std::try_to_lock);
        if (!parser.owns_lock())
            spareReader.cancel = 1;
    }
    const bool ok = playback::LoadForMovie(parserLock, apiLock, currentReader, spareReader, moviePath);
    // The main engine's lock is never taken while this (sub) engine's is held.
    const std::int64_t frames = m_main->GetDuration();
    std::lock_guard lock(apiLock);
    spareReader.cancel = 0;
    const float period = currentReader.msPerFrame > 0.0f ? currentReader.msPerFrame : framePeriod;
    recording::BuildFrameIndex(currentReader, frames, period);
    return ok;
}

int MovieEngine::ReleaseTelemetry()
{
    std::lock_guard lock(apiLock);
    recording::closeScanFile(probeReader);
    const float period = currentReader.msPerFrame;
    recording::Release(currentReader);
    currentReader.path.clear();
    currentReader.msPerFrame = period; // the open movie's frame period stays
    currentReader.msPerFrameCopy = period;
    return 1;
}

bool MovieEngine::PreloadTelemetry(const std::filesystem::path& moviePath)
{
    if (!initialised)
        return false;
    spareReader.cancel = 1;
    std::lock_guard parser(parserLock);
    spareReader.cancel = 0;
    m_preloadBusy = true;
    recording::Release(spareReader);
    spareReader.file = recording::MappedFile {};
    spareReader.path.clear();
    m_preloadPath = moviePath;
    bool ok = true;
    if (!moviePath.empty())
        ok = recording::OpenFile(spareReader, recording::DataPath(moviePath));
    m_preloadBusy = false;
    return ok;
}

int MovieEngine::Play()
{
    std::lock_guard lock(apiLock);
    if (!ready())
        return 0;
    if (state != EngineState::Playing) {
        session->play(); // refused unless paused or stopped; the engine plays on regardless
        state = EngineState::Playing;
    }
    return 1;
}

int MovieEngine::Pause()
{
    std::lock_guard lock(apiLock);
    if (!ready())
        return 0;
    if (state != EngineState::Paused) {
        if (session->state() == SessionState::Started)
            session->pause();
        state = EngineState::Paused;
    }
    return 1;
}

int MovieEngine::Stop()
{
    std::lock_guard lock(apiLock);
    if (!ready())
        return 0;
    if (state != EngineState::Stopped) {
        // Stop keeps the position: the session only pauses.
        if (session->state() == SessionState::Started)
            session->pause();
        state = EngineState::Stopped;
    }
    return 1;
}

int MovieEngine::GetPosition()
{
    return positionAhead(0.0);
}

int MovieEngine::GetShownPosition()
{
    return positionAhead(0.75);
}

int MovieEngine::positionAhead(double frames)
{
    std::lock_guard lock(apiLock);
    if (!session)
        return 0;
    Time100ns t = 0;
    if (!session->clockTime(t))
        return 0;
    if (t < 0)
        return -1;
    return int(framesOf(double(t) + frames * double(framePeriod) * 10'000.0, framePeriod));
}

bool MovieEngine::adoptLoadedTelemetry()
{
    recording::Release(probeReader);
    return recording::Move(currentReader, probeReader);
}

void MovieEngine::releaseShownTelemetry()
{
    recording::Release(probeReader);
}

int MovieEngine::SeekAndHold(std::int64_t frame)
{
    std::lock_guard lock(apiLock);
    if (!ready())
        return 0;
    const auto t = Time100ns(framePeriod * float(frame) * 10000.0f);
    if (session->seekAndHold(t) == SessionResult::Ok)
        session->repaint();
    return 1;
}

int MovieEngine::SetRate(int code)
{
    const RateChoice choice = rateForCode(code, rateCode, canPlayBackwards != 0);
    rateCode = choice.storedCode;
    SetVolume(volume);
    if (session)
        session->setRate(choice.rate, wantsThinning(choice.rate));
    return 1;
}

bool MovieEngine::SetAspectMode(int mode)
{
    if (!applyVideoRect(mode == 1))
        return false;
    aspectMode = mode;
    return true;
}

std::int64_t MovieEngine::GetDuration()
{
    std::lock_guard lock(apiLock);
    if (!session)
        return 0;
    return framesOf(double(float(session->duration())), framePeriod);
}

bool MovieEngine::GetNativeSize(int& width, int& height) const
{
    return session && session->nativeSize(width, height);
}

int MovieEngine::SetVolume(int v)
{
    v = std::clamp(v, 0, 65535);
    const int applied = rateCode == kRateNormal ? v : 0;
    if (session)
        session->setVolume(float(applied) / 65535.0f);
    volume = v;
    return 1;
}

bool MovieEngine::surfaceSize(int& width, int& height) const
{
    if (window.surface) {
        width = window.surface->width();
        height = window.surface->height();
        return width > 0 && height > 0;
    }
    return GetNativeSize(width, height);
}

bool MovieEngine::ShowOverlayText(const QString& text)
{
    std::lock_guard lock(apiLock);
    if (overlayBitmap.isNull() || !ready())
        return false;
    overlayBitmap.fill(Qt::transparent); // black is the colour key: it never shows
    {
        QPainter p(&overlayBitmap);
        p.setFont(overlayFont);
        p.setPen(QColor(0, 255, 0));
        p.drawText(QRect(0, 0, kOverlayWidth, kOverlayHeight), Qt::TextWordWrap, text);
    }
    float scaleX = 1.0f, scaleY = 1.0f;
    int sw = 0, sh = 0, vw = 0, vh = 0;
    if (!surfaceSize(sw, sh))
        return false;
    if (GetNativeSize(vw, vh)) {
        scaleX = float(sw) / float(vw);
        scaleY = float(sh) / float(vh);
        if (aspectMode == 0)
            scaleX = scaleY = std::min(scaleX, scaleY);
    }
    // Bottom-right corner of the surface, in normalised coordinates.
    const double left = 1.0 - double(int(scaleX * kOverlayWidth)) / sw;
    const double top = 1.0 - double(int(scaleY * kOverlayHeight)) / sh;
    return session->setOverlay(overlayBitmap, QRectF(QPointF(left, top), QPointF(1.0, 1.0)));
}

int MovieEngine::ClearOverlayText()
{
    std::lock_guard lock(apiLock);
    if (session)
        session->clearOverlay();
    return 1;
}

bool MovieEngine::SetZoom(int anchorX, int anchorY, int px, int py, float factor, bool repaint)
{
    std::lock_guard lock(apiLock);
    if (!ready())
        return false;
    zoomAnchorX = anchorX;
    zoomAnchorY = anchorY;
    panX = px;
    panY = py;
    zoomFactor = factor;
    (void)repaint; // applying the rectangle repaints whenever a movie is shown
    return applyVideoRect(aspectMode == 1);
}

bool MovieEngine::applyVideoRect(bool keepAspect)
{
    if (!ready())
        return false;
    int cw = 0, ch = 0;
    if (!surfaceSize(cw, ch))
        return false;
    const auto zoomed
        = zoomRect(VideoRect { 0, 0, cw, ch }, zoomAnchorX, zoomAnchorY, panX, panY, zoomFactor);
    if (!zoomed)
        return false;
    VideoRect picture = *zoomed;
    if (keepAspect) {
        int nw = 0, nh = 0;
        if (!GetNativeSize(nw, nh))
            return false;
        const auto fitted = aspectFit(*zoomed, cw, ch, nw, nh);
        if (!fitted)
            return false;
        picture = *fitted;
    }
    const QRectF whole(0.0, 0.0, 1.0, 1.0);
    const PresenterResult r = session->setVideoPosition(&whole, &picture);
    if (r != PresenterResult::Ok && r != PresenterResult::InvalidPointer)
        return false;
    videoRect = *zoomed;
    session->setAspectRatioMode(keepAspect ? 1 : 0);
    if (state != EngineState::Closed)
        session->repaint();
    return true;
}

bool MovieEngine::SaveSnapshot(const std::filesystem::path& path)
{
    int w = 0, h = 0;
    if (!GetNativeSize(w, h))
        return false;
    const QImage picture = session->currentImage();
    if (picture.isNull() || picture.width() != w || picture.height() != h)
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "JPG", kJpegQuality))
        return false;
    // Written whole or not at all: a failed save leaves no partial file behind.
    return platform::writeFileAtomically(
        path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

bool MovieEngine::Repaint()
{
    return session && session->repaint() == PresenterResult::Ok;
}

} // namespace kivora::playback
