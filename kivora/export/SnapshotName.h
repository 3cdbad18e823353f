#pragma once

#include <cstdint>
#include <filesystem>

namespace kivora::exporting {

// The file names of one still: "<yymmdd>-<hhmmss>-<camera>-<frame, at least six digits>.jpg" in
// folder, for the recording's main and sub camera. For AG__-230115-083000-000123M.MOV at frame 450:
// 230115-083000-M-000450.jpg and 230115-083000-S-000450.jpg.
struct SnapshotNames {
    std::filesystem::path main;
    std::filesystem::path sub;
};

// Names that are not recording names keep their stem whole ("<stem>-M-000450.jpg"), so the two
// cameras never share a file whatever the name's length or the frame number.
SnapshotNames SnapshotName(
    const std::filesystem::path& folder, const std::filesystem::path& recording, std::int64_t frame);

} // namespace kivora::exporting
