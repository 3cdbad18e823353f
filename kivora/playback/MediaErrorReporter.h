#pragma once

// The engine's error reporter: a failure code becomes one text, shown to the user in the "ERROR"
// box, and the calling operation fails.

#include <cstdint>
#include <string>

namespace kivora::playback {

// The text shown for a failure code. texts: the UI text of slot 113 for the codec code (may be
// empty: then the generic "Unknown 0x%x" form is used).
std::string mediaErrorText(std::uint32_t code, const std::string& installCodecText = {});

// Shows a text in the "ERROR" box. Called on the thread that hit the failure; the UI layer installs
// a handler that crosses to the UI thread. The default handler writes the text to stderr.
using ErrorBoxHandler = void (*)(const std::string& text);
void setErrorBoxHandler(ErrorBoxHandler handler);
void setInstallCodecText(const std::string& text);

// True for a success code (0 or a value with the high bit clear); otherwise reports it and returns false.
bool reportMediaResult(std::uint32_t code);

} // namespace kivora::playback
