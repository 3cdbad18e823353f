// Opening a card in the browser panel (driven by bench/browse_open.sh).
//
//   browse_open CARD
//
// Times, in one process and in turn (best of five rounds each):
//   - ours: from the source dialog's OK (LoadSource and SelectInitialFolder, as the main window
//     calls them) until the tree and the list are filled, the event loop running meanwhile;
//   - peer: the library's scans of the same card alone, on the calling thread, nodes only written
//     down: the root as a card, the recorder identification, the first folder and its first group
//     (what the panel must read before it can show the first group's list);
//   - root: the root's scan alone (reported).
// and the longest single event the UI thread handled while ours ran.
// Prints one line: "OURS_S PEER_S LONGEST_EVENT_MS ROWS NODES ROOT_S".

#include "kivora/browse/BrowserPanelFactory.h"
#include "kivora/browse/CFilerContainerDlg.h"
#include "kivora/browse/CFolderTreeCtrl.h"
#include "kivora/browse/DriveList.h"
#include "kivora/browse/NodeRecorder.h"
#include "kivora/browse/RecorderIdentification.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/RecordingName.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

namespace fs = std::filesystem;
using namespace kivora;

// Times every event the UI thread delivers.
class TimedApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        QElapsedTimer t;
        t.start();
        const bool result = QApplication::notify(receiver, event);
        if (timing)
            longestNs = std::max(longestNs, t.nsecsElapsed());
        return result;
    }
    bool timing = false;
    qint64 longestNs = 0;
};

struct Owner final : browse::IBrowserOwner {
    browse::IBrowserPanel* panel = nullptr;
    void onFolderChanged(browse::FolderNode* item) override
    {
        if (!item || panel->resetting() || panel->loading())
            return;
        panel->FolderSelected(item, false);
        panel->SelectRow(0, 0);
    }
    void onRecordingSelected(int) override { }
    void onFilterCommand(int) override { }
};

struct NoDrives final : browse::IDriveList {
    std::vector<fs::path> removableDrives() const override { return {}; }
};

struct Scan {
    browse::NodeRecorder nodes;
    std::vector<recording::RecordingEntry> recordings, folders;
};

void scan(const fs::path& folder, bool isCard, Scan& out, bool withFolders)
{
    recording::ScanTargets targets;
    targets.sink = &out.nodes;
    targets.recordings = &out.recordings;
    targets.folders = withFolders ? &out.folders : nullptr;
    targets.isMovie
        = [](const fs::path& p) { return recording::MovieVerdict(recording::IsMovieExtension(p)); };
    targets.isCard = isCard;
    int counter = 0;
    fs::path effective;
    recording::ResetCreationCounter();
    recording::ScanFolder(folder, targets, recording::kRootNode, 0, counter, effective);
    recording::SortRecordingNames(out.recordings);
}

double seconds(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// The root alone, and the library's whole part of opening the card.
std::pair<double, double> libraryAlone(const fs::path& card)
{
    QElapsedTimer t;
    t.start();
    const bool isCard = recording::DetectLayout(card) == 1;
    Scan root;
    scan(card, isCard, root, true);
    const double rootOnly = seconds(t);
    browse::identifyRecorder(card, root.folders, {});
    if (!root.nodes.nodes().empty()) {
        const fs::path first = card / root.nodes.nodes().front().text;
        Scan folder;
        scan(first, true, folder, false);
        if (!folder.nodes.nodes().empty()) {
            Scan group;
            scan(first / folder.nodes.nodes().front().text, true, group, false);
        }
    }
    return { rootOnly, seconds(t) };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: browse_open CARD\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TimedApplication app(argc, argv);
    const fs::path card = argv[1];

    Owner owner;
    browse::BrowserPanelDeps deps;
    deps.owner = &owner;
    deps.drives = std::make_shared<NoDrives>();
    auto panel = std::make_unique<browse::CFilerContainerDlg>(deps);
    owner.panel = panel.get();
    panel->PlaceChildren(QRect(0, 0, 452, 634), 0);
    panel->show();
    QApplication::processEvents();

    double ours = 1e9, peer = 1e9, root = 1e9;
    int rows = 0, nodes = 0;
    for (int round = 0; round < 5; ++round) {
        const auto [rootOnly, library] = libraryAlone(card);
        root = std::min(root, rootOnly);
        peer = std::min(peer, library);
        QElapsedTimer t;
        app.timing = true;
        t.start();
        // The event loop sleeps until the panel has filled its tree and list, as the window's does.
        QEventLoop loop;
        QObject::connect(panel.get(), &browse::CFilerContainerDlg::sourceLoaded, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        panel->LoadSource(card, recording::SourceKind::Card);
        panel->SelectInitialFolder();
        if (panel->loading())
            loop.exec();
        ours = std::min(ours, static_cast<double>(t.nsecsElapsed()) / 1e9);
        app.timing = false;
        rows = panel->Count();
        nodes = panel->tree()->itemCount();
        panel->ResetSource();
        QApplication::processEvents();
    }
    std::printf("%.4f %.4f %.1f %d %d %.4f\n", ours, peer, static_cast<double>(app.longestNs) / 1e6, rows,
        nodes, root);
    return rows > 0 ? 0 : 1;
}
