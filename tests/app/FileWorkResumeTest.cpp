// After a file command the recording comes back where it was, but only the same movie, and only
// when the command left it on the disk.

#include "kivora/app/FileWorkResume.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

using kivora::app::FileWorkResume;
namespace fs = std::filesystem;

TEST(FileWorkResume, SeeksBackOnlyIntoTheSameMovieThatStillExists)
{
    TempFolder folder;
    const fs::path movie = folder.path() / "A___-230115-080000-000100M.MOV";
    const fs::path other = folder.path() / "A___-230115-080100-000101M.MOV";
    std::ofstream(movie) << "x";

    struct Case {
        const char* what;
        fs::path remembered;
        std::int64_t shown;
        bool removeFirst;
        fs::path reopened;
        bool armed;
        std::optional<std::int64_t> seek;
    };
    const Case cases[] = {
        { "same movie, mid-way", movie, 120, false, movie, true, 120 },
        { "same movie, at its start", movie, 0, false, movie, true, std::nullopt },
        { "before the first frame", movie, -1, false, movie, true, std::nullopt },
        { "another movie opened", movie, 120, false, other, true, std::nullopt },
        { "the command deleted it", movie, 120, true, movie, false, std::nullopt },
        { "nothing was open", fs::path(), 120, false, movie, false, std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(movie) << "x";
        FileWorkResume resume;
        resume.remember(c.remembered, c.shown);
        EXPECT_FALSE(resume.armed()) << "nothing reopens before the command ends";
        if (c.removeFirst)
            fs::remove(movie);
        EXPECT_EQ(resume.arm(), c.armed);
        EXPECT_EQ(resume.take(c.reopened), c.seek);
        EXPECT_FALSE(resume.armed());
        EXPECT_EQ(resume.take(c.reopened), std::nullopt) << "a second ready report seeks nowhere";
    }
}

TEST(FileWorkResume, AReadyRecordingWithoutAFinishedCommandIsNotSought)
{
    TempFolder folder;
    const fs::path movie = folder.path() / "A___-230115-080000-000100M.MOV";
    std::ofstream(movie) << "x";
    FileWorkResume resume;
    resume.remember(movie, 90);
    EXPECT_EQ(resume.take(movie), std::nullopt); // closed, but the command has not ended yet
    ASSERT_TRUE(resume.arm());
    EXPECT_EQ(resume.take(movie), 90);
}
