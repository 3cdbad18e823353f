#include "kivora/export/DeleteWorker.h"

#include "kivora/export/IExportHost.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/RecordingName.h"

#include <QFile>
#include <QString>

#include <system_error>

namespace kivora::exporting {

namespace fs = std::filesystem;

namespace {

bool moveToTrash(const fs::path& path, std::string& error)
{
    QFile file(QString::fromStdString(path.string()));
    if (file.moveToTrash())
        return true;
    error = "cannot move " + path.string() + " to the trash: " + file.errorString().toStdString();
    return false;
}

} // namespace

bool DeleteRecording(const fs::path& movie, const DeleteMode& mode, std::string& error)
{
    std::error_code ec;
    if (mode.recorderCard && recording::IsRecordingName(movie.filename())) {
        if (recording::MarkDeleted(movie, mode.layout))
            return true;
        error = "cannot mark " + movie.string() + " as deleted";
        return false;
    }
    if (!fs::exists(movie, ec)) {
        // Gone already (a card pulled, another program): the list must not keep it either.
        if (!fs::exists(movie.parent_path(), ec)) {
            error = movie.string() + " is no longer there";
            return false;
        }
    } else if (!moveToTrash(movie, error)) {
        return false;
    }
    if (!recording::IsMainCameraName(movie.filename()))
        return true;
    for (const fs::path& partner : { recording::PairPath(movie), recording::DataPath(movie, mode.layout) })
        if (fs::exists(partner, ec) && !moveToTrash(partner, error))
            return false;
    return true;
}

DeleteOutcome RunDelete(const std::vector<fs::path>& movies, const DeleteMode& mode, WorkerContext& context)
{
    DeleteOutcome outcome;
    const auto total = std::int64_t(movies.size());
    context.progress(0, total);
    for (auto it = movies.rbegin(); it != movies.rend(); ++it) {
        if (context.cancelled()) {
            outcome.cancelled = true;
            return outcome;
        }
        if (!DeleteRecording(*it, mode, outcome.error)) {
            outcome.failed = true;
            return outcome;
        }
        outcome.deleted.push_back(*it);
        context.progress(std::int64_t(outcome.deleted.size()), total);
    }
    return outcome;
}

} // namespace kivora::exporting
