#pragma once

#include "kivora/platform/IniFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kivora::app {

// The settings file "Default_Folder.ini" in the start-up folder, with the readers and writers of
// the DISPLAY values; the other sections are read and written by section and key by their owners.
// Every write goes to the disk at once and leaves the file hidden where the file system has the
// attribute. A missing or unreadable file reads as empty, so each reader's default applies.
// Any thread (the store is re-read on every call).
class AppSettings {
public:
    static constexpr std::string_view kFileName = "Default_Folder.ini";
    static constexpr int kMaxVolume = 65535;

    // An empty folder (the start-up folder could not be read) gives a store that reads empty and
    // refuses writes.
    explicit AppSettings(const std::filesystem::path& startFolder);
    AppSettings()
        : AppSettings(std::filesystem::path())
    {
    }

    const std::filesystem::path& path() const { return m_file.path(); }
    bool exists() const { return m_file.exists(); }

    std::string read(std::string_view section, std::string_view key) const;
    // True when the value is on the disk; the hidden attribute is then set (its failure is ignored).
    bool write(std::string_view section, std::string_view key, std::string_view value) const;

    // First start: when the file does not exist, writes DISPLAY INFOCHECK "31", ASPECT "on" and
    // VOLUME "65535", in that order. An existing file is never completed. True when it seeded.
    bool seedIfMissing() const;

    // DISPLAY/ASPECT: the aspect ratio is kept only for exactly "on".
    bool keepAspect() const;
    bool setKeepAspect(bool keep) const;

    // DISPLAY/REAR: the rear camera view, 0 "off" (also anything unknown), 1 "pip", 2 "swap".
    int rearView() const;
    bool setRearView(int mode) const;

    // DISPLAY/VOLUME: empty gives 65535; otherwise the leading decimal digits (none gives 0),
    // at most 65535.
    int volume() const;
    bool setVolume(int volume) const;

    // DISPLAY/SCALEX and SCALEY: the stored factor when it is a number greater than 0.
    std::optional<double> scaleX() const;
    std::optional<double> scaleY() const;
    // Writes both factors as "%f" does ("1.250000"), whatever the user's locale.
    bool setScale(double scaleX, double scaleY) const;

    // The value rules on their own, for callers and tests.
    static int parseVolume(std::string_view text);
    static std::optional<double> parseScale(std::string_view text);
    static std::string formatScale(double factor);

private:
    platform::IniFile m_file;
};

} // namespace kivora::app
