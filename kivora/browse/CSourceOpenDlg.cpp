#include "kivora/browse/CSourceOpenDlg.h"

#include "kivora/browse/DriveList.h"
#include "kivora/browse/SourceRules.h"
#include "kivora/platform/IniFile.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/ui/UiTextQt.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace kivora::browse {

using recording::SourceKind;

namespace {

constexpr int kChoiceStripId = 327;
constexpr std::array<int, 3> kChoiceSlots { 133, 131, 130 };

int rowOf(SourceKind kind)
{
    return static_cast<int>(kind) - 1;
}

} // namespace

CSourceOpenDlg::CSourceOpenDlg(
    QWidget* parent, const IDriveList& drives, std::filesystem::path settingsFile, const ui::SkinStyle& style)
    : ui::CSkinDialog(parent, style)
    , m_settingsFile(std::move(settingsFile))
{
    setObjectName(QStringLiteral("CSourceOpenDlg"));
    setFont(style.f10);
    setWindowTitle(ui::uiQText(132));
    for (int row = 0; row < 3; ++row) {
        auto* b = new ui::CSkinCheckButton(this, kChoiceIds[row], {}, style);
        b->setImage(kChoiceStripId, QRect(0, 0, style.s(12), style.s(12)));
        b->setText(ui::uiQText(kChoiceSlots[static_cast<std::size_t>(row)]));
        b->setFont(style.f10);
        connect(b, &QAbstractButton::clicked, this,
            [this, row] { chooseKind(static_cast<SourceKind>(row + 1)); });
        m_choices[static_cast<std::size_t>(row)] = b;
    }
    m_drives = new QComboBox(this);
    m_folder = new QLineEdit(this);
    m_file = new QLineEdit(this);
    m_folderBrowse = new QPushButton(QStringLiteral("..."), this);
    m_fileBrowse = new QPushButton(QStringLiteral("..."), this);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setFont(style.f10);
    connect(m_folderBrowse, &QPushButton::clicked, this, &CSourceOpenDlg::browseFolder);
    connect(m_fileBrowse, &QPushButton::clicked, this, &CSourceOpenDlg::browseFile);
    connect(m_ok, &QPushButton::clicked, this, &CSourceOpenDlg::pressOk);
    connect(m_folder, &QLineEdit::textChanged, this, &CSourceOpenDlg::updateOk);
    connect(m_file, &QLineEdit::textChanged, this, &CSourceOpenDlg::updateOk);

    // The last drive in the platform's order is the one offered.
    for (const auto& d : drives.removableDrives())
        m_drives->addItem(QString::fromStdString(d.string()));
    if (m_drives->count() > 0)
        m_drives->setCurrentIndex(m_drives->count() - 1);
    connect(m_drives, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_sdText = m_drives->itemText(index);
        chooseKind(SourceKind::Card);
    });

    const StoredSource stored = readStoredSource(platform::IniFile(m_settingsFile));
    m_sdText = QString::fromStdString(stored.sd);
    m_folder->setText(QString::fromStdString(stored.folder));
    m_file->setText(QString::fromStdString(stored.file));

    m_folderChooser = [this](const QString& initial) {
        return QFileDialog::getExistingDirectory(this, ui::uiQText(102), initial);
    };
    m_fileChooser = [this] {
        // Recordings end in ".MOV"; the file system tells letter cases apart, so offer both.
        return QFileDialog::getOpenFileName(this, QString(), QCoreApplication::applicationDirPath(),
            QStringLiteral("Movie Files(*.mov *.MOV);;All Files(*)"));
    };

    resize(style.s(540), style.s(250));
    if (const QScreen* screen = QGuiApplication::screenAt(pos()) ? QGuiApplication::screenAt(pos())
                                                                 : QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    placeControls();
    chooseKind(kindFromSelect(stored.select));
}

void CSourceOpenDlg::placeControls()
{
    const ui::SkinStyle& st = skinStyle();
    const std::array<QWidget*, 3> values { m_drives, m_folder, m_file };
    for (int row = 0; row < 3; ++row) {
        const int y = st.s(50 + 50 * row);
        m_choices[static_cast<std::size_t>(row)]->setGeometry(st.s(30), y, st.s(150) - st.s(30), st.s(26));
        values[static_cast<std::size_t>(row)]->setGeometry(st.s(150), y, st.s(450) - st.s(150), st.s(26));
    }
    m_folderBrowse->setGeometry(st.s(470), st.s(100), st.s(510) - st.s(470), st.s(26));
    m_fileBrowse->setGeometry(st.s(470), st.s(150), st.s(510) - st.s(470), st.s(26));
    m_ok->setGeometry(st.s(410), st.s(200), st.s(100), st.s(26));
}

void CSourceOpenDlg::chooseKind(SourceKind kind)
{
    m_kind = kind;
    for (int row = 0; row < 3; ++row)
        m_choices[static_cast<std::size_t>(row)]->setCheckMark(row == rowOf(kind));
    updateOk();
}

void CSourceOpenDlg::updateOk()
{
    m_ok->setEnabled(sourceChoiceComplete(
        m_kind, m_drives->currentIndex() >= 0, m_folder->text().toStdString(), m_file->text().toStdString()));
}

void CSourceOpenDlg::browseFolder()
{
    const QString stored = QString::fromStdString(platform::IniFile(m_settingsFile).read("SOURCE", "FOLDER"));
    QString chosen = m_folderChooser ? m_folderChooser(stored) : QString();
    if (chosen.isEmpty())
        chosen = stored;
    if (chosen.isEmpty())
        return;
    m_folder->setText(chosen);
    chooseKind(SourceKind::Folder);
}

void CSourceOpenDlg::browseFile()
{
    const QString chosen = m_fileChooser ? m_fileChooser() : QString();
    if (chosen.isEmpty())
        return;
    if (!recording::IsRecordingName(chosen.toStdString())) {
        ui::CMsgBox(this).show(ui::uiQText(96), QStringLiteral("ERROR"));
        return;
    }
    m_file->setText(chosen);
    chooseKind(SourceKind::SingleFiles);
}

SourceChoice CSourceOpenDlg::choice() const
{
    switch (m_kind) {
    case SourceKind::Card:
        return { m_kind, m_sdText.toStdString() };
    case SourceKind::Folder:
        return { m_kind, m_folder->text().toStdString() };
    case SourceKind::SingleFiles:
        return { m_kind, m_file->text().toStdString() };
    }
    return {};
}

bool CSourceOpenDlg::pressOk()
{
    if (!m_ok->isEnabled())
        return false;
    if (m_drives->currentIndex() >= 0)
        m_sdText = m_drives->currentText();
    const SourceChoice c = choice();
    storeChoice(platform::IniFile(m_settingsFile), c.kind, c.path.string());
    accept();
    return true;
}

} // namespace kivora::browse
