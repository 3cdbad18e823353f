#pragma once

#include <QStringList>

#include <filesystem>
#include <optional>
#include <string>

namespace kivora::app {

// What "kivora [--user-settings] [SOURCE]" asked for. Without a source the program starts with the
// remembered one.
struct CommandLine {
    std::optional<std::filesystem::path> source; // absolute
    // The start-up folder (where the settings file lives) is the user's configuration folder
    // rather than the working folder: the desktop entry starts the program so.
    bool userSettings = false;
    std::string error; // non-empty when the arguments cannot be used
};

inline constexpr const char* kUsage
    = "usage: kivora [--user-settings] [SOURCE]\n"
      "  SOURCE           a folder (a recorder card or any folder of movies) or a movie file\n"
      "                   to open instead of the source opened last\n"
      "  --user-settings  keep the settings in $XDG_CONFIG_HOME/kivora (~/.config/kivora)\n"
      "                   instead of the working folder\n";

// Parses the arguments after the program name (Qt's own options already removed; help is
// answered before Qt starts, see CkivoraApp). A relative
// source is taken against workingFolder; a source that does not exist is an error.
CommandLine parseCommandLine(const QStringList& arguments, const std::filesystem::path& workingFolder);

// The user's configuration folder for kivora: $XDG_CONFIG_HOME/kivora when that variable holds an
// absolute path, else $HOME/.config/kivora; created when missing. Empty when it cannot be made.
std::filesystem::path userSettingsFolder(const char* xdgConfigHome, const char* home);

} // namespace kivora::app
