#include "kivora/export/QtExportDialogs.h"

#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/UiTextQt.h"

#include <QFileDialog>
#include <QFileInfo>

namespace kivora::exporting {

std::filesystem::path ChooseFolderDialog(
    QWidget* parent, const std::filesystem::path& start, const QString& prompt, int textColumn)
{
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, prompt, QString::fromStdString(start.string()), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return {};
    if (!QFileInfo(chosen).isDir()) {
        ui::CMsgBox(parent).show(ui::uiQText(95, textColumn), QStringLiteral("ERROR"), 0);
        return {};
    }
    return std::filesystem::path(chosen.toStdString());
}

int ShowExportMessage(QWidget* parent, const QString& text, const QString& caption, int kind)
{
    return ui::CMsgBox(parent).show(text, caption, kind);
}

} // namespace kivora::exporting
