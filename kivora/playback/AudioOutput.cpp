#include "kivora/playback/AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace kivora::playback {

namespace {

// PCM waiting for the sink. write() (decode thread) and readData() (the sink's thread) meet here.
class PcmBuffer : public QIODevice {
public:
    // Two seconds: the decode thread writes the sound and decodes the pictures, so a full buffer
    // holds the pictures back. The sink starts pulling a moment after play, and with half a second
    // the pictures fell behind the clock and were dropped.
    explicit PcmBuffer(int bytesPerSecond) : m_capacity(std::size_t(bytesPerSecond) * 2) {}

    bool write(const std::uint8_t* data, std::size_t bytes, std::uint64_t generation)
    {
        std::unique_lock lock(m_mutex);
        m_notFull.wait(lock, [&] { return m_stopped || generation != m_generation || m_bytes.size() < m_capacity; });
        if (m_stopped || generation != m_generation)
            return false;
        m_bytes.insert(m_bytes.end(), data, data + bytes);
        return true;
    }

    void restart(std::uint64_t generation)
    {
        std::lock_guard lock(m_mutex);
        m_generation = generation;
        m_bytes.clear();
        m_stopped = false;
        m_notFull.notify_all();
    }

    void stopBuffer()
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_bytes.clear();
        m_notFull.notify_all();
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        std::lock_guard lock(m_mutex);
        return qint64(m_bytes.size()) + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 maxlen) override
    {
        std::lock_guard lock(m_mutex);
        const std::size_t n = std::min<std::size_t>(std::size_t(std::max<qint64>(maxlen, 0)), m_bytes.size());
        std::copy_n(m_bytes.begin(), n, data);
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + std::ptrdiff_t(n));
        m_notFull.notify_all();
        // A pull-mode sink stops for good on a short read; hand it silence instead.
        if (n < std::size_t(maxlen)) {
            std::fill(data + n, data + maxlen, 0);
            return maxlen;
        }
        return qint64(n);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_notFull;
    std::deque<std::uint8_t> m_bytes;
    std::uint64_t m_generation = 0;
    bool m_stopped = false;
};

class QtAudioOutput final : public AudioOutput {
public:
    QtAudioOutput(const QAudioDevice& device, const QAudioFormat& format)
        : m_buffer(format.bytesForDuration(1'000'000)), m_sink(device, format)
    {
        m_buffer.open(QIODevice::ReadOnly);
        m_sink.setBufferSize(format.bytesForDuration(200'000));
    }
    ~QtAudioOutput() override { stop(); }

    bool write(const std::uint8_t* data, std::size_t bytes, std::uint64_t generation) override
    {
        return m_buffer.write(data, bytes, generation);
    }
    void reset(std::uint64_t generation) override { m_buffer.restart(generation); }
    void setPlaying(bool playing) override
    {
        if (playing) {
            if (m_sink.state() == QAudio::SuspendedState)
                m_sink.resume();
            else if (m_sink.state() != QAudio::ActiveState && m_sink.state() != QAudio::IdleState) {
                m_sink.start(&m_buffer);
            }
        } else {
            if (m_sink.state() == QAudio::ActiveState || m_sink.state() == QAudio::IdleState)
                m_sink.suspend();
        }
    }
    void setVolume(float volume) override { m_sink.setVolume(double(std::clamp(volume, 0.0f, 1.0f))); }
    void stop() override
    {
        m_buffer.stopBuffer();
        m_sink.stop();
    }

private:
    PcmBuffer m_buffer;
    QAudioSink m_sink;
};

} // namespace

std::unique_ptr<AudioOutput> AudioOutput::create(int sampleRate, int channels)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return {};
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return {};
    return std::make_unique<QtAudioOutput>(device, format);
}

} // namespace kivora::playback
