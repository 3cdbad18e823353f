#pragma once

// Owners of FFmpeg handles and the one mapping of FFmpeg error codes onto our error enum.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <memory>

namespace kivora::playback {

struct FormatContextDeleter {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsContextDeleter {
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
struct SwrContextDeleter {
    void operator()(SwrContext* p) const { swr_free(&p); }
};

using AVFormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using AVFramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;

inline AVFramePtr makeFrame() { return AVFramePtr(av_frame_alloc()); }
inline AVPacketPtr makePacket() { return AVPacketPtr(av_packet_alloc()); }

// What went wrong in the back-end, in the terms the engine's callers know.
enum class MediaError {
    None,
    EndOfFile,
    TryAgain,        // decoder wants more input / has more output
    InvalidData,     // the file or a stream cannot be read
    NoDecoder,       // a stream whose codec we cannot decode
    OutOfMemory,
    InvalidArgument,
    NotFound,        // file or stream missing
    Io,
    NotImplemented,
    WrongState,
    Unknown,
};

// The one place where FFmpeg's codes are interpreted.
inline MediaError toMediaError(int averror)
{
    if (averror >= 0)
        return MediaError::None;
    switch (averror) {
    case AVERROR_EOF:
        return MediaError::EndOfFile;
    case AVERROR(EAGAIN):
        return MediaError::TryAgain;
    case AVERROR_INVALIDDATA:
    case AVERROR_BUG:
    case AVERROR_BUG2:
        return MediaError::InvalidData;
    case AVERROR_DECODER_NOT_FOUND:
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_PATCHWELCOME:
        return MediaError::NoDecoder;
    case AVERROR(ENOMEM):
        return MediaError::OutOfMemory;
    case AVERROR(EINVAL):
        return MediaError::InvalidArgument;
    case AVERROR(ENOENT):
    case AVERROR_STREAM_NOT_FOUND:
        return MediaError::NotFound;
    case AVERROR(EIO):
    case AVERROR(EACCES):
        return MediaError::Io;
    case AVERROR(ENOSYS):
        return MediaError::NotImplemented;
    default:
        return MediaError::Unknown;
    }
}

// Whether an error says that the demuxer or the decoder is unusable, so that playback cannot go
// on. Anything else on one packet is damage confined to that packet: the packet is dropped and the
// next key frame heals the picture.
inline bool isFatal(MediaError e)
{
    switch (e) {
    case MediaError::OutOfMemory:
    case MediaError::InvalidArgument: // the decoder is not open or refuses every input
    case MediaError::WrongState:
    case MediaError::Io: // the card went away
    case MediaError::NotImplemented:
        return true;
    default:
        return false;
    }
}

// The failure code that the error reporter names (the same texts and results as the platform
// codes the engine has always shown).
inline std::uint32_t reportCode(MediaError e)
{
    switch (e) {
    case MediaError::None:
    case MediaError::EndOfFile:
    case MediaError::TryAgain:
        return 0;
    case MediaError::NotImplemented:
        return 0x80004001u; // "E_NOTIMPL"
    case MediaError::NoDecoder:
        return 0x80040200u; // "install a codec" text
    case MediaError::WrongState:
        return 0x80040227u; // "VFW_E_WRONG_STATE"
    case MediaError::OutOfMemory:
        return 0x8007000Eu; // "E_OUTOFMEMORY"
    case MediaError::InvalidArgument:
        return 0x80070057u; // "E_INVALIDARG"
    case MediaError::NotFound:
        return 0x80070002u;
    case MediaError::Io:
        return 0x8007001Eu;
    case MediaError::InvalidData:
        return 0xC00D36C4u; // unsupported byte stream
    case MediaError::Unknown:
        break;
    }
    return 0x80004005u;
}

} // namespace kivora::playback
