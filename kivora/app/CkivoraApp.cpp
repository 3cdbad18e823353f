#include "kivora/app/CkivoraApp.h"

#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CommandLine.h"
#include "kivora/map/MapFactory.h"
#include "kivora/playback/MediaErrorReporter.h"
#include "kivora/recording/AtomScan.h"
#include "kivora/ui/ErrorBoxes.h"
#include "kivora/ui/SkinImages.h"
#include "kivora/ui/UiText.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace kivora::app {

namespace {

std::optional<int> autoQuitDelay()
{
    const char* text = std::getenv("KIVORA_AUTOQUIT_MS");
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    const long ms = std::strtol(text, &end, 10);
    if (*end != '\0' || ms < 0 || ms > 3'600'000)
        return std::nullopt;
    return static_cast<int>(ms);
}

bool asksForHelp(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--")
            return false;
        if (argument == "-h" || argument == "--help")
            return true;
    }
    return false;
}

} // namespace

int CkivoraApp::run(int argc, char** argv)
{
    // Help must work without a display, so it is answered before Qt connects to one.
    if (asksForHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    map::prepareWebEngine();
    QApplication application(argc, argv);
    CkivoraDlg::useRealMap(true);
    QApplication::setApplicationName(QStringLiteral("kivora"));
    // Every window's icon and the minimised one (128); the desktop matches the program to its entry.
    QApplication::setWindowIcon(ui::loadSkinIcon(128));
    QGuiApplication::setDesktopFileName(QStringLiteral("kivora"));
    // Failures of the engines' and the scans' threads reach the user in the message box.
    playback::setErrorBoxHandler(&ui::postMediaErrorBox);
    playback::setInstallCodecText(std::string(ui::UiText(113)));
    recording::setMapErrorReporter(&ui::postMappingErrorBox);

    std::error_code ec;
    const auto workingFolder = std::filesystem::current_path(ec);
    const CommandLine commandLine = parseCommandLine(QApplication::arguments().mid(1), workingFolder);
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "kivora: %s\n%s", commandLine.error.c_str(), kUsage);
        return 2;
    }
    // The main window takes the working folder as its start-up folder. Without a usable
    // configuration folder the program still starts, with the settings of the working folder.
    if (commandLine.userSettings) {
        const auto folder = userSettingsFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
        if (folder.empty() || (std::filesystem::current_path(folder, ec), ec))
            std::fputs(
                "kivora: the configuration folder cannot be used; settings stay in the working folder\n",
                stderr);
    }

    CkivoraDlg dialog(commandLine.source);
    // For demos and tests: the first recording plays as soon as it is loaded.
    if (const char* autoplay = std::getenv("KIVORA_AUTOPLAY"); autoplay && std::string_view(autoplay) == "1")
        dialog.requestPlay();
    if (const auto delay = autoQuitDelay()) {
        dialog.setInitialisedCallback([&dialog, ms = *delay] {
            const std::string title = dialog.windowTitle().toStdString();
            std::printf("kivora: %s \"%s\"\n", dialog.isVisible() ? "shown" : "hidden", title.c_str());
            std::fflush(stdout);
            QTimer::singleShot(ms, &dialog, [&dialog] {
                // With a recording open, say which frame the views showed when the time was up.
                if (dialog.shownFrameIndex() >= 0) {
                    std::printf("kivora: frame %lld of \"%s\"\n",
                        static_cast<long long>(dialog.shownFrameIndex()),
                        dialog.shownRecordingName().c_str());
                    std::fflush(stdout);
                }
                dialog.close();
            });
        });
    }
    dialog.show();
    QApplication::exec();
    // The main window's result does not matter: the program ends normally once it is closed.
    return 0;
}

} // namespace kivora::app
