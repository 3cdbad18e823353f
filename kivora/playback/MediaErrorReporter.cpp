#include "kivora/playback/MediaErrorReporter.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace kivora::playback {

namespace {
void printToStderr(const std::string& text) { std::fprintf(stderr, "ERROR: %s\n", text.c_str()); }

std::atomic<ErrorBoxHandler> g_handler{&printToStderr};
std::mutex g_textMutex;
std::string g_installCodecText; // guarded by g_textMutex
} // namespace

std::string mediaErrorText(std::uint32_t code, const std::string& installCodecText)
{
    switch (code) {
    case 0x80004001u:
        return "E_NOTIMPL";
    case 0x80004002u:
        return "E_NOINTERFACE";
    case 0x80004003u:
        return "E_POINTER";
    case 0x80040200u:
        if (!installCodecText.empty())
            return installCodecText;
        break;
    case 0x80040209u:
        return "VFW_E_NOT_CONNECTED";
    case 0x80040227u:
        return "VFW_E_WRONG_STATE";
    case 0x8007000Eu:
        return "E_OUTOFMEMORY";
    case 0x80070057u:
        return "E_INVALIDARG";
    default:
        break;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "Unknown 0x%x", static_cast<unsigned>(code));
    return buf;
}

void setErrorBoxHandler(ErrorBoxHandler handler) { g_handler = handler ? handler : &printToStderr; }

void setInstallCodecText(const std::string& text)
{
    std::lock_guard lock(g_textMutex);
    g_installCodecText = text;
}

bool reportMediaResult(std::uint32_t code)
{
    if ((code & 0x80000000u) == 0)
        return true;
    std::string text;
    {
        std::lock_guard lock(g_textMutex);
        text = mediaErrorText(code, g_installCodecText);
    }
    g_handler.load()(text);
    return false;
}

} // namespace kivora::playback
