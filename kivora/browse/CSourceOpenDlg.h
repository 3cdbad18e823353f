#pragma once

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/ui/CSkinDialog.h"

#include <QString>

#include <array>
#include <filesystem>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kivora::ui {
class CSkinCheckButton;
}

namespace kivora::browse {

class IDriveList;

// The source dialog: an SD card (a removable drive), a folder or a single movie file. OK is
// enabled only when the chosen kind has its value; OK stores the choice in the settings file
// (SOURCE), Cancel stores nothing. UI thread only.
class CSourceOpenDlg : public ui::CSkinDialog {
public:
    static constexpr int kChoiceIds[3] = { 39000, 39001, 39002 };
    static constexpr int kDriveListId = 39100;
    static constexpr int kFolderEditId = 39200;
    static constexpr int kFileEditId = 39201;

    // The folder chooser gets the stored folder and returns the chosen one (empty: cancelled);
    // the file chooser returns the chosen file (empty: cancelled). Tests replace both.
    using FolderChooser = std::function<QString(const QString& initial)>;
    using FileChooser = std::function<QString()>;

    CSourceOpenDlg(QWidget* parent, const IDriveList& drives, std::filesystem::path settingsFile,
        const ui::SkinStyle& style = ui::SkinStyle::current());

    void setFolderChooser(FolderChooser chooser) { m_folderChooser = std::move(chooser); }
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }

    recording::SourceKind kind() const { return m_kind; }
    SourceChoice choice() const;

    void chooseKind(recording::SourceKind kind);
    void browseFolder();
    void browseFile();
    // OK as the user presses it; false when the choice is incomplete (nothing written).
    bool pressOk();

    QComboBox* driveList() const { return m_drives; }
    QLineEdit* folderEdit() const { return m_folder; }
    QLineEdit* fileEdit() const { return m_file; }
    QPushButton* okButton() const { return m_ok; }
    ui::CSkinCheckButton* choiceButton(int row) const { return m_choices[static_cast<std::size_t>(row)]; }

private:
    void placeControls();
    void updateOk();

    std::filesystem::path m_settingsFile;
    recording::SourceKind m_kind = recording::SourceKind::Card;
    QString m_sdText;
    std::array<ui::CSkinCheckButton*, 3> m_choices {}; // children, owned by Qt
    QComboBox* m_drives = nullptr;
    QLineEdit* m_folder = nullptr;
    QLineEdit* m_file = nullptr;
    QPushButton* m_folderBrowse = nullptr;
    QPushButton* m_fileBrowse = nullptr;
    QPushButton* m_ok = nullptr;
    FolderChooser m_folderChooser;
    FileChooser m_fileChooser;
};

} // namespace kivora::browse
