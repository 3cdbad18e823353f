#include "kivora/export/MenuCommandSupport.h"

#include "kivora/platform/IniFile.h"
#include "kivora/recording/MovieRepair.h"

#include <system_error>

namespace kivora::exporting {

namespace fs = std::filesystem;

QString ownText(int languageIndex, const char* japanese, const char* english)
{
    return QString::fromUtf8(languageIndex == 0 ? japanese : english);
}

fs::path rememberedFolder(const fs::path& settingsFile, std::string_view key, const IExportContext& context)
{
    const std::string remembered = platform::IniFile(settingsFile).read("FOLDERPATH", key);
    std::error_code ec;
    return !remembered.empty() && fs::is_directory(remembered, ec) ? fs::path(remembered)
                                                                   : context.startupFolder();
}

fs::path chooseOutputFolder(
    IExportContext& context, const fs::path& start, const QString& prompt, int languageIndex)
{
    fs::path from = start;
    fs::path refused;
    for (;;) {
        const fs::path folder = context.chooseFolder(from, prompt);
        if (folder.empty() || !recording::IsRecorderFolder(folder))
            return folder;
        // The same refused folder twice: the user is not going to choose another.
        if (folder == refused)
            return {};
        refused = folder;
        context.messageBox(ownText(languageIndex,
                               "レコーダーのフォルダーには保存できません。別のフォルダーを選択してください。",
                               "The recorder's own folders cannot take new files. Choose another folder."),
            QStringLiteral("ERROR"), 0);
        from = folder.parent_path();
    }
}

} // namespace kivora::exporting
