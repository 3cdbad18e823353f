#include "kivora/browse/CFilerContainerDlg.h"

#include "kivora/browse/CFileListCtrl.h"
#include "kivora/browse/CFolderTreeCtrl.h"
#include "kivora/browse/CSourceOpenDlg.h"
#include "kivora/browse/RecorderIdentification.h"
#include "kivora/browse/SourceRules.h"
#include "kivora/platform/IniFile.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/ui/SkinImages.h"
#include "kivora/ui/UiTextQt.h"

#include <QPainter>

namespace kivora::browse {

namespace fs = std::filesystem;
using recording::SourceKind;

namespace {

constexpr int kCheckStripId = 217;
constexpr std::array<int, 5> kFilterSlots { 152, 156, 155, 157, 158 };
const QColor kFill { 49, 49, 49 };
const QColor kFrame { 170, 170, 170 };

recording::MovieTest movieTestOf(const BrowserPanelDeps& deps)
{
    if (deps.isMovie)
        return deps.isMovie;
    return [](const fs::path& p) { return recording::MovieVerdict(recording::IsMovieExtension(p)); };
}

} // namespace

struct CFilerContainerDlg::ScanResult {
    unsigned generation = 0;
    SourceKind kind = SourceKind::Folder;
    fs::path path;
    NodeRecorder nodes;
    std::vector<recording::RecordingEntry> recordings;
    std::vector<recording::RecordingEntry> folders;
    std::optional<RecorderIdentity> identity;
    InitialFolder initial;
    std::atomic<bool> done { false };
};

std::unique_ptr<IBrowserPanel> createBrowserPanel(BrowserPanelDeps deps)
{
    return std::make_unique<CFilerContainerDlg>(std::move(deps));
}

CFilerContainerDlg::CFilerContainerDlg(BrowserPanelDeps deps)
    : QWidget(deps.parent)
    , m_deps(std::move(deps))
    , m_drives(m_deps.drives ? m_deps.drives : std::make_shared<MountTableDrives>())
    , m_s(m_deps.uiScale)
    , m_watcher(m_deps.ownerTarget)
{
    setObjectName(QStringLiteral("CFilerContainerDlg"));
    m_deps.isMovie = movieTestOf(m_deps);
    m_fonts.create(m_s, 1.0);
    m_tree = new CFolderTreeCtrl(this, m_deps.owner, m_s);
    m_tree->setFont(m_fonts.f13());
    m_list = new CFileListCtrl(this, m_deps.owner, m_s);
    m_list->setFont(m_fonts.f13());
    const ui::SkinStyle style = ui::SkinStyle::forScale(m_s);
    for (int k = 0; k < 5; ++k) {
        auto* b = new ui::CSkinCheckButton(this, kFilterButtonId + k, {}, style);
        b->setImage(kCheckStripId, QRect(0, 0, style.s(12), style.s(12)));
        b->setFont(m_fonts.f10());
        connect(b, &QAbstractButton::clicked, this, [this, k] {
            if (m_deps.owner)
                m_deps.owner->onFilterCommand(k);
        });
        m_buttons[static_cast<std::size_t>(k)] = b;
        SetFilter(k, true);
    }
}

CFilerContainerDlg::~CFilerContainerDlg()
{
    // A scan may still post its result to this object; it must end while the object is whole.
    m_scans.clear();
}

// --- Layout and painting ------------------------------------------------------------------------

void CFilerContainerDlg::PlaceChildren(const QRect& r, int mode)
{
    m_mode = mode == 1 ? 1 : 0;
    if (r.width() == 0)
        return;
    m_rect = QRect(0, 0, r.width(), r.height());
    setGeometry(r);
    auto s = [this](double n) { return static_cast<int>(n * m_s); };
    const int l = 0, t = 0, W = r.width(), H = r.height();
    if (m_mode == 0) {
        const int y = t + s(18) + 2 * s(4);
        const int h = H - s(18) - 3 * s(4);
        m_tree->setGeometry(l + s(4), y, s(5) - 2 * s(4) + s(220), h);
        m_list->setGeometry(l + s(4) + s(220), y, s(440) - s(220) + 2 * (s(6) - s(4)), h);
    } else {
        const int treeH = s(300) + 2 * s(6) - s(16) - 3 * s(4);
        m_tree->setGeometry(l + s(4), t + s(40) - s(20) + s(4), W - 2 * s(4), treeH);
        m_list->setGeometry(l + s(4), t + s(300) + s(4) + 2 * s(6) + s(40), W - 2 * s(4),
            H - s(300) - s(40) - 2 * (s(4) + s(6)));
    }
    placeButtons();
    ShowChildren(!m_zoomHint);
    show();
}

void CFilerContainerDlg::placeButtons()
{
    auto s = [this](double n) { return static_cast<int>(n * m_s); };
    int x, y;
    if (m_mode == 0) {
        x = s(220) - s(210) + s(5) - s(8);
        y = s(18) - s(10);
    } else {
        x = s(5);
        y = s(40) + 2 * s(6) + s(300) - s(36) - s(4);
    }
    const int firstX = x;
    for (int k = 0; k < 5; ++k) {
        // The button's own rectangle holds the box and the label the panel draws beside it.
        m_buttons[static_cast<std::size_t>(k)]->setGeometry(x, y - s(4), s(12), s(12) + s(4));
        if (m_mode == 0) {
            x += k == 2 ? s(92) : s(55);
        } else if (k == 2) {
            x = firstX;
            y += s(14);
        } else {
            x += (k == 1) ? s(70) : s(82);
        }
    }
}

void CFilerContainerDlg::ShowChildren(bool show)
{
    m_childrenShown = show;
    m_tree->setVisible(show);
    m_list->setVisible(show);
    for (auto* b : m_buttons)
        b->setVisible(show);
    update();
}

void CFilerContainerDlg::setZoomHint(bool on)
{
    m_zoomHint = on;
    ShowChildren(!on);
}

void CFilerContainerDlg::setControlsEnabled(bool enabled)
{
    m_tree->setEnabled(enabled);
    m_list->setEnabled(enabled);
    for (auto* b : m_buttons)
        b->setEnabled(enabled);
}

QRect CFilerContainerDlg::countRect() const
{
    auto s = [this](double n) { return static_cast<int>(n * m_s); };
    const int r = width();
    const int f = QFontMetrics(m_fonts.f10()).height();
    if (m_mode == 0)
        return QRect(QPoint(r - s(60) - s(5), s(5)), QPoint(r - s(5), s(7) + s(5) + f));
    return QRect(QPoint(r - s(60) - s(10), s(4)), QPoint(r - s(10), s(7) + s(4) + f));
}

void CFilerContainerDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (rect().isEmpty())
        return;
    if (m_zoomHint) {
        const QImage hint = ui::loadSkinImage(m_mode == 0 ? 214 : 215);
        if (!hint.isNull())
            p.drawImage(rect(), hint);
        else
            p.fillRect(rect(), kFill);
        p.setFont(m_fonts.f13());
        p.setPen(Qt::white);
        QRect box(0, 0, static_cast<int>(180 * m_s), static_cast<int>(100 * m_s));
        box.moveCenter(rect().center());
        p.drawText(box, Qt::AlignCenter, ui::uiQText(173));
        return;
    }
    p.fillRect(rect(), kFill);
    p.setPen(kFrame);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect count = countRect();
    p.fillRect(count, kFill);
    p.setFont(m_fonts.f10());
    p.setPen(Qt::white);
    p.drawText(count, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
        ui::uiQText(33).replace(QStringLiteral("%d"), QString::number(m_list->Count())));
    for (int k = 0; k < 5; ++k) {
        const QWidget* b = m_buttons[static_cast<std::size_t>(k)];
        const QRect label(b->x() + static_cast<int>(13 * m_s),
            b->y() + static_cast<int>(4 * m_s) - static_cast<int>(3 * m_s), static_cast<int>(80 * m_s),
            static_cast<int>(16 * m_s));
        p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            ui::uiQText(kFilterSlots[static_cast<std::size_t>(k)]));
    }
}

// --- Sources ------------------------------------------------------------------------------------

void CFilerContainerDlg::LoadSource(const fs::path& path, SourceKind kind)
{
    ++m_generation;
    m_loading = false;
    m_prepared.clear();
    m_initialPending = false;
    if (m_tree->topLevelItemCount() > 0) {
        m_resetting = true;
        m_tree->deleteAll();
        m_resetting = false;
    }
    m_list->Clear();
    recording::ResetCreationCounter();
    m_watcher.clearRemoved();
    m_sourcePath = path;
    m_kind = kind;
    const bool isCard = recording::DetectLayout(path) == 1;
    switch (kind) {
    case SourceKind::Card:
        m_tree->SetRootPath(path);
        m_watcher.SetPath(path, path);
        startScan(path, kind, isCard);
        break;
    case SourceKind::Folder: {
        fs::path folder = path;
        if (folder.filename().empty() && folder.has_relative_path())
            folder = folder.parent_path();
        const bool root = !folder.has_relative_path();
        const fs::path parent = root ? fs::path() : folder.parent_path();
        m_tree->SetRootPath(parent);
        // The parent is what the recorder's own rule watches; the folder itself and its file
        // system are watched as well, so deleting or unmounting it is noticed too.
        m_watcher.SetPath(parent, folder);
        startScan(folder, kind, false);
        break;
    }
    case SourceKind::SingleFiles: {
        if (!m_deps.isMovie(path).isMovie)
            return;
        m_watcher.SetPath(path, path);
        std::vector<recording::RecordingEntry> one;
        recording::MakeRecordingEntry(path, one);
        m_list->setRecordings(std::move(one));
        m_tree->SetRootPath(path.parent_path());
        m_list->Refill();
        if (m_list->Count() > 0) {
            m_list->model().setCurrentIndex(0);
            m_list->SelectRow(0, 0);
        }
        update();
        Q_EMIT sourceLoaded();
        if (m_loaded)
            m_loaded();
        break;
    }
    }
}

void CFilerContainerDlg::startScan(const fs::path& path, SourceKind kind, bool isCard)
{
    reapThreads();
    m_loading = true;
    auto result = std::make_shared<ScanResult>();
    result->generation = m_generation;
    result->kind = kind;
    result->path = path;
    const RecorderIdentity previous = m_identity;
    InitialSearch search;
    search.rootPath = m_tree->rootPath();
    search.targets.isMovie = m_deps.isMovie;
    search.targets.isCard = kind == SourceKind::Card; // as FolderSelected scans
    for (int k = 0; k < 5; ++k)
        search.filter[static_cast<std::size_t>(k)] = m_list->model().filter(k) ? 1 : 0;
    const auto& layout = recording::folderLayout(recording::currentLayout());
    search.normalFolder = layout.normal.movie.folder;
    search.parkingFolder = layout.parking.movie.folder;
    std::jthread scan([this, result, isCard, previous, search] {
        recording::ScanTargets targets;
        targets.sink = &result->nodes;
        targets.recordings = &result->recordings;
        targets.isMovie = search.targets.isMovie;
        int counter = 0;
        fs::path effective;
        if (result->kind == SourceKind::Card) {
            targets.folders = &result->folders;
            targets.isCard = isCard;
            recording::ScanFolder(result->path, targets, recording::kRootNode, 0, counter, effective);
            result->identity = identifyRecorder(result->path, result->folders, previous);
        } else {
            const fs::path name = result->path.has_relative_path() ? result->path.filename() : result->path;
            const recording::TreeNode top = result->nodes.insert(recording::kRootNode, name.string());
            recording::ScanFolder(result->path, targets, top, 0, counter, effective);
            recording::SortRecordingNames(result->recordings);
        }
        result->initial = findInitialFolder(result->nodes, search);
        result->done.store(true);
        QMetaObject::invokeMethod(
            this, [this, result] { finishScan(result); }, Qt::QueuedConnection);
    });
    m_scans.emplace_back(result, std::move(scan));
}

void CFilerContainerDlg::finishScan(std::shared_ptr<ScanResult> result)
{
    if (result->generation != m_generation)
        return;
    m_loading = false;
    m_tree->addNodes(nullptr, result->nodes);
    m_list->setRecordings(std::move(result->recordings));
    m_folderEntries = std::move(result->folders);
    m_prepared = std::move(result->initial.prepared);
    if (result->identity)
        m_identity = *result->identity;
    if (m_initialPending) {
        // Straight to the folder the start opens: passing the top item on the way would make the
        // owner close and reset everything once more for nothing.
        m_initialPending = false;
        openInitial(result->initial);
    } else {
        m_tree->SelectFirstRoot();
    }
    update();
    Q_EMIT sourceLoaded();
    if (m_loaded)
        m_loaded();
}

void CFilerContainerDlg::openInitial(const InitialFolder& initial)
{
    QTreeWidgetItem* item = nullptr;
    for (std::size_t i = 0; i < initial.texts.size(); ++i) {
        const QString text = QString::fromStdString(initial.texts[i]);
        QTreeWidgetItem* next = nullptr;
        const int n = item ? item->childCount() : m_tree->topLevelItemCount();
        for (int j = 0; j < n && !next; ++j) {
            QTreeWidgetItem* candidate = item ? item->child(j) : m_tree->topLevelItem(j);
            if (candidate->text(0) == text)
                next = candidate;
        }
        if (!next)
            break;
        item = next;
        if (i + 1 < initial.texts.size()) {
            auto* node = static_cast<FolderNode*>(item);
            rebuildChildren(node, m_tree->FullPath(node));
            m_tree->ExpandTo(item);
        }
    }
    if (!item)
        item = m_tree->topLevelItem(0);
    m_tree->selectFromNone(item);
}

void CFilerContainerDlg::reapThreads()
{
    // A thread whose scan is done has only its return left; joining it costs nothing.
    std::erase_if(m_scans, [](const auto& scan) { return scan.first->done.load(); });
}

bool CFilerContainerDlg::SelectInitialFolder()
{
    if (m_loading) {
        m_initialPending = true;
        return true;
    }
    QTreeWidgetItem* target = m_tree->topLevelItem(0);
    if (target) {
        const auto& layout = recording::folderLayout(recording::currentLayout());
        InitialSearch names;
        names.normalFolder = layout.normal.movie.folder;
        names.parkingFolder = layout.parking.movie.folder;
        if (isMovieFolderText(target->text(0).toStdString(), names)) {
            QTreeWidgetItem* child = target->child(0);
            if (child && isGroupLabelText(child->text(0).toStdString())) {
                m_tree->ExpandTo(target);
                target = child;
            }
        }
        m_tree->selectNode(static_cast<FolderNode*>(target));
    }
    return true;
}

bool CFilerContainerDlg::RestoreSource()
{
    m_tree->deleteAll();
    const platform::IniFile settings(m_deps.settingsFile);
    const auto choice = restoreChoice(m_drives->removableDrives(), readStoredSource(settings));
    if (!choice)
        return false;
    LoadSource(choice->path, choice->kind);
    SelectInitialFolder();
    m_list->viewport()->update();
    if (!m_zoomHint)
        update();
    return true;
}

int CFilerContainerDlg::FolderSelected(FolderNode* item, bool noCountRedraw)
{
    const fs::path folder = m_tree->FullPath(item);
    if (folder.empty())
        return 0;
    recording::ResetCreationCounter();
    m_watcher.clearRemoved();
    std::vector<recording::RecordingEntry> all = rebuildChildren(item, folder);
    m_tree->ExpandTo(item);
    const int n = static_cast<int>(all.size());
    m_list->setRecordings(std::move(all));
    m_list->Refill();
    if (!noCountRedraw && !m_zoomHint)
        update();
    return n;
}

std::vector<recording::RecordingEntry> CFilerContainerDlg::rebuildChildren(
    FolderNode* item, const fs::path& folder)
{
    m_tree->deleteChildren(item);
    std::vector<recording::RecordingEntry> all;
    NodeRecorder nodes(m_tree->itemCount());
    const auto ahead = m_prepared.find(folder);
    if (ahead != m_prepared.end() && ahead->second.level == item->level()
        && ahead->second.nodes.count() - static_cast<int>(ahead->second.nodes.nodes().size())
            == m_tree->itemCount()) {
        nodes = std::move(ahead->second.nodes);
        all = std::move(ahead->second.recordings);
        m_prepared.erase(ahead);
    } else {
        recording::ScanTargets targets;
        targets.sink = &nodes;
        targets.recordings = &all;
        targets.isMovie = m_deps.isMovie;
        targets.isCard = m_kind == SourceKind::Card;
        int counter = 0;
        fs::path effective;
        recording::ScanFolder(folder, targets, recording::kRootNode, item->level(), counter, effective);
        recording::SortRecordingNames(all);
    }
    m_tree->addNodes(item, nodes);
    return all;
}

std::vector<recording::RecordingEntry> CFilerContainerDlg::AllRecordings()
{
    m_exportEntries.clear();
    m_watcher.clearRemoved();
    recording::ResetCreationCounter();
    int counter = 0;
    if (m_kind == SourceKind::Card)
        recording::CollectFlat(m_tree->rootPath(), m_deps.isMovie, m_exportEntries, counter);
    else if (m_kind == SourceKind::SingleFiles)
        recording::MakeRecordingEntry(m_sourcePath, m_exportEntries);
    else if (QTreeWidgetItem* top = m_tree->topLevelItem(0))
        recording::CollectFlat(m_tree->FullPath(top), m_deps.isMovie, m_exportEntries, counter);
    return m_exportEntries;
}

void CFilerContainerDlg::ResetSource()
{
    m_prepared.clear();
    m_resetting = true;
    m_tree->deleteAll();
    m_folderEntries.clear();
    m_resetting = false;
    m_list->Clear();
    update();
}

std::optional<SourceChoice> CFilerContainerDlg::runSourceDialog(QWidget* parent)
{
    CSourceOpenDlg dialog(
        parent ? parent : this, *m_drives, m_deps.settingsFile, ui::SkinStyle::forScale(m_s));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

fs::path CFilerContainerDlg::FullPath(FolderNode* item) const
{
    return m_tree->FullPath(item);
}

// --- Folder tree --------------------------------------------------------------------------------

FolderNode* CFilerContainerDlg::selectedFolder() const
{
    return m_tree->selectedNode();
}

FolderNode* CFilerContainerDlg::folderAfter(FolderNode* item) const
{
    return m_tree->itemAfter(item);
}

void CFilerContainerDlg::selectFolder(FolderNode* item)
{
    m_tree->selectNode(item);
}

// --- Recording list -----------------------------------------------------------------------------

void CFilerContainerDlg::SelectRow(int index, int advanceMode)
{
    m_list->SelectRow(index, advanceMode);
}

void CFilerContainerDlg::SetFilter(int k, bool on)
{
    if (k < 0 || k >= 5)
        return;
    m_buttons[static_cast<std::size_t>(k)]->setCheckMark(on);
    m_list->SetFilter(k, on);
    update();
}

bool CFilerContainerDlg::filter(int k) const
{
    return m_list->model().filter(k);
}

int CFilerContainerDlg::Count() const
{
    return m_list->Count();
}

recording::RecordingEntry* CFilerContainerDlg::Entry(int i)
{
    return m_list->Entry(i);
}

void CFilerContainerDlg::Clear()
{
    m_list->Clear();
    update();
}

void CFilerContainerDlg::clearMarks()
{
    for (auto& e : m_list->model().all())
        e.marked = 0;
    for (int i = 0; i < m_list->Count(); ++i)
        m_list->Entry(i)->marked = 0;
    m_list->viewport()->update();
}

int CFilerContainerDlg::advanceMode() const
{
    return m_list->model().advanceMode();
}

} // namespace kivora::browse
