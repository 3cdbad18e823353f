#include "kivora/export/SnapshotName.h"

#include <gtest/gtest.h>

using kivora::exporting::SnapshotName;
namespace fs = std::filesystem;

TEST(SnapshotName, NamesCarryDateTimeCameraAndFrame)
{
    const struct {
        const char* folder;
        const char* recording;
        std::int64_t frame;
        const char* main;
        const char* sub;
    } cases[] = {
        { "/out", "/card/Normal/AG__-230115-083000-000123M.MOV", 450, "/out/230115-083000-M-000450.jpg",
            "/out/230115-083000-S-000450.jpg" },
        // A folder that ends in a separator gets no second one.
        { "/out/", "AG__-230115-083000-000123M.MOV", 0, "/out/230115-083000-M-000000.jpg",
            "/out/230115-083000-S-000000.jpg" },
        // Seven digits: the camera letter stays where it belongs and the cameras stay apart.
        { "/out", "AG__-230115-083000-000123M.MOV", 1000000, "/out/230115-083000-M-1000000.jpg",
            "/out/230115-083000-S-1000000.jpg" },
        // A sub-camera recording names its own camera first.
        { "/out", "AG__-230115-083000-000123S.MOV", 7, "/out/230115-083000-S-000007.jpg",
            "/out/230115-083000-M-000007.jpg" },
        // Any other movie keeps its stem, however short.
        { "/out", "/films/trip.mov", 12, "/out/trip-M-000012.jpg", "/out/trip-S-000012.jpg" },
    };
    for (const auto& c : cases) {
        const auto names = SnapshotName(c.folder, c.recording, c.frame);
        EXPECT_EQ(names.main, fs::path(c.main)) << c.recording << " @ " << c.frame;
        EXPECT_EQ(names.sub, fs::path(c.sub)) << c.recording << " @ " << c.frame;
    }
}
