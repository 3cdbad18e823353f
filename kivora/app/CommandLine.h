#pragma once

#include <QStringList>

#include <filesystem>
#include <optional>
#include <string>

namespace kivora::app {

// What "kivora [SOURCE]" asked for. Without a source the program starts with the remembered one.
struct CommandLine {
    std::optional<std::filesystem::path> source; // absolute
    std::string error; // non-empty when the arguments cannot be used
};

inline constexpr const char* kUsage
    = "usage: kivora [SOURCE]\n"
      "  SOURCE  a folder (a recorder card or any folder of movies) or a movie file\n"
      "          to open instead of the source opened last\n";

// Parses the arguments after the program name (Qt's own options already removed; help is
// answered before Qt starts, see CkivoraApp). A relative
// source is taken against workingFolder; a source that does not exist is an error.
CommandLine parseCommandLine(const QStringList& arguments, const std::filesystem::path& workingFolder);

} // namespace kivora::app
