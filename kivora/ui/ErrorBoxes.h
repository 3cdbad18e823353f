#pragma once

#include <QString>

#include <functional>
#include <string>

namespace kivora::ui {

// The error boxes of failures that happen below the windows: the media error box (caption
// "ERROR") and the box of a file view that cannot be mapped (caption "Error Message"). The lower
// layers report through plain function hooks, from any thread; these functions carry the text to
// the UI thread and show it there in the program's message box, so no such failure goes only to
// stderr. The main window installs them at start-up:
//
//   playback::setErrorBoxHandler(&ui::postMediaErrorBox);
//   playback::setInstallCodecText(std::string(ui::UiText(113)));
//   recording::setMapErrorReporter(&ui::postMappingErrorBox);
inline constexpr const char* kErrorCaption = "ERROR";
inline constexpr const char* kMappingErrorCaption = "Error Message";

// Any thread; returns at once. A text already waiting or on screen with the same caption is not
// queued again, so a burst of the same failure shows one box. Needs a QCoreApplication; without
// one the text goes to stderr.
void postErrorBox(const std::string& text, const char* caption);
void postMediaErrorBox(const std::string& text);
void postMappingErrorBox(const std::string& systemText);

// Shows one box on the UI thread; by default a modal CMsgBox without owner (OK only). Tests
// replace it. UI thread only.
using ErrorBoxPresenter = std::function<void(const QString& text, const QString& caption)>;
void setErrorBoxPresenter(ErrorBoxPresenter presenter);

} // namespace kivora::ui
