#include "kivora/app/CommandLine.h"

#include <QFile>

namespace kivora::app {

CommandLine parseCommandLine(const QStringList& arguments, const std::filesystem::path& workingFolder)
{
    CommandLine result;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument == QLatin1String("--user-settings")) {
            result.userSettings = true;
            continue;
        }
        if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            result.error = "unknown option " + argument.toStdString();
            return result;
        }
        if (result.source) {
            result.error = "only one source can be opened";
            return result;
        }
        // The bytes the shell passed, even when they are not valid in the locale's character set.
        std::filesystem::path path(QFile::encodeName(argument).toStdString());
        if (path.is_relative())
            path = workingFolder / path;
        path = path.lexically_normal();
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) {
            result.error = "no such file or folder: " + argument.toStdString();
            return result;
        }
        result.source = path;
    }
    return result;
}

std::filesystem::path userSettingsFolder(const char* xdgConfigHome, const char* home)
{
    std::filesystem::path base;
    if (xdgConfigHome && std::filesystem::path(xdgConfigHome).is_absolute())
        base = xdgConfigHome;
    else if (home && std::filesystem::path(home).is_absolute())
        base = std::filesystem::path(home) / ".config";
    else
        return {};
    const auto folder = base / "kivora";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        return {};
    return folder;
}

} // namespace kivora::app
