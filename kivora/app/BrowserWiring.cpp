#include "kivora/app/BrowserWiring.h"

#include "kivora/browse/BrowserPanelFactory.h"
#include "kivora/browse/CFilerContainerDlg.h"
#include "kivora/recording/MovieAtoms.h"

namespace kivora::app {

namespace {

std::shared_ptr<const browse::IDriveList>& windowDrives()
{
    static std::shared_ptr<const browse::IDriveList> drives;
    return drives;
}

} // namespace

void setWindowDriveList(std::shared_ptr<const browse::IDriveList> drives)
{
    windowDrives() = std::move(drives);
}

std::unique_ptr<browse::IBrowserPanel> createWindowBrowser(QWidget* window, browse::IBrowserOwner& owner,
    platform::MessageTarget target, const std::filesystem::path& settingsFile, double uiScale,
    std::function<void()> onLoaded)
{
    browse::BrowserPanelDeps deps;
    deps.parent = window;
    deps.owner = &owner;
    deps.ownerTarget = target;
    deps.settingsFile = settingsFile;
    deps.uiScale = uiScale;
    deps.drives = windowDrives();
    // The engines' own file test, without an engine's lock: the scan runs it on its own thread.
    // The size it read spares the scan a second open of every movie.
    deps.isMovie = [](const std::filesystem::path& path) {
        std::uint64_t size = 0;
        return recording::IsMovieFile(path, size) ? recording::MovieVerdict(true, size)
                                                  : recording::MovieVerdict(false);
    };
    std::unique_ptr<browse::IBrowserPanel> panel = browse::createBrowserPanel(std::move(deps));
    if (auto* filer = dynamic_cast<browse::CFilerContainerDlg*>(panel.get()); filer && onLoaded)
        QObject::connect(filer, &browse::CFilerContainerDlg::sourceLoaded, window, std::move(onLoaded));
    return panel;
}

} // namespace kivora::app
