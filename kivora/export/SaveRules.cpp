#include "kivora/export/SaveRules.h"

#include "kivora/recording/RecordingName.h"

#include <algorithm>
#include <system_error>

namespace kivora::exporting {

namespace fs = std::filesystem;

std::uint64_t NeededBytes(const std::vector<recording::RecordingEntry>& selection)
{
    std::uint64_t bytes = 0;
    for (const auto& e : selection)
        bytes += e.mainSize + e.subSize + e.dataSize;
    return bytes;
}

int JoinRefusal(const std::vector<recording::RecordingEntry>& selection)
{
    if (NeededBytes(selection) > kMaxJoinBytes)
        return 138;
    if (selection.size() > kMaxJoinRecordings)
        return 140;
    return 0;
}

std::optional<std::uint64_t> FreeSpace(const fs::path& folder)
{
    std::error_code ec;
    const fs::space_info info = fs::space(folder, ec);
    if (ec || info.available == static_cast<std::uintmax_t>(-1))
        return std::nullopt;
    return std::uint64_t(info.available);
}

SavePlan MakeSavePlan(const std::vector<recording::RecordingEntry>& selection, const fs::path& folder)
{
    SavePlan plan;
    if (selection.empty())
        return plan;
    for (const auto& e : selection) {
        plan.mains.push_back(e.path);
        plan.bytes += e.mainSize + e.dataSize;
    }
    plan.mainBytes = plan.bytes;
    plan.output = folder / selection.front().path.filename();

    // Recordings without any sub camera need no word about it; a selection that mixes is told.
    const std::string name = plan.output.filename().string();
    const bool named = recording::IsMainCameraName(name);
    if (named) {
        std::string subName = name;
        subName[25] = 'S';
        plan.staleSub = folder / subName;
        for (const auto& e : selection)
            plan.keep.push_back(recording::PairPath(e.path));
    }
    const bool anySub
        = std::any_of(selection.begin(), selection.end(), [](const auto& e) { return e.subSize > 0; });
    if (!anySub)
        return plan;
    if (!named) {
        plan.subNote = "the recording's name has no camera letter";
        return plan;
    }
    std::vector<fs::path> subs;
    std::uint64_t subBytes = 0;
    for (const auto& e : selection) {
        const fs::path sub = recording::PairPath(e.path);
        std::error_code ec;
        if (e.subSize == 0 || !fs::is_regular_file(sub, ec)) {
            plan.subNote = e.path.filename().string() + " has no sub-camera movie";
            return plan;
        }
        subs.push_back(sub);
        subBytes += e.subSize;
    }
    plan.subs = std::move(subs);
    plan.subOutput = plan.staleSub;
    plan.staleSub.clear();
    plan.bytes += subBytes;
    return plan;
}

} // namespace kivora::exporting
