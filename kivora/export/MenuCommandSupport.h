#pragma once

// What the popup menu's file commands (repair, evidence bundle) share: their texts beyond the UI
// text table, where their folder choosers start, and the check that keeps their output out of a
// recorder's own folders.

#include "kivora/export/IExportContext.h"

#include <QString>

#include <filesystem>
#include <string_view>

namespace kivora::exporting {

// A text of our own in the window's language: Japanese for language 0, English otherwise.
QString ownText(int languageIndex, const char* japanese, const char* english);

// The folder a chooser starts in: the remembered FOLDERPATH key when it is still a folder, else the
// start-up folder.
std::filesystem::path rememberedFolder(
    const std::filesystem::path& settingsFile, std::string_view key, const IExportContext& context);

// Asks for an output folder until the user gives one outside a recorder's own folders on a card
// (where a new file would disturb the recorder's numbering and grouping); empty when the user
// cancels or picks the same refused folder again.
std::filesystem::path chooseOutputFolder(
    IExportContext& context, const std::filesystem::path& start, const QString& prompt, int languageIndex);

} // namespace kivora::exporting
