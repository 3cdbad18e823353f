#pragma once

// The product's folder chooser and message box for IExportContext (tests answer in their place).

#include <QString>

#include <filesystem>

class QWidget;

namespace kivora::exporting {

// QFileDialog::getExistingDirectory from start with prompt as its title. Empty on cancel; a
// choice that is no file-system folder shows UiText slot 95 ("ERROR") and gives empty as well.
std::filesystem::path ChooseFolderDialog(
    QWidget* parent, const std::filesystem::path& start, const QString& prompt, int textColumn = 0);

// The skinned message box: kind 0 OK, 1 OK/Cancel; 1 for OK, 2 for Cancel.
int ShowExportMessage(QWidget* parent, const QString& text, const QString& caption, int kind);

} // namespace kivora::exporting
