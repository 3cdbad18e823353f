#include "kivora/recording/MovieAtoms.h"
#include "tests/recording/AtomBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kivora::recording {
namespace {

using namespace kivora::testing;

std::string typesInPreOrder(const AtomNode& node)
{
    std::string out = std::string(node.typeName());
    if (!node.children.empty()) {
        out += "(";
        for (std::size_t i = 0; i < node.children.size(); ++i)
            out += (i ? " " : "") + typesInPreOrder(node.children[i]);
        out += ")";
    }
    return out;
}

TEST(IsMovieFile, NeedsFtypAndAFullFirstBlock)
{
    TempDir dir;
    const Bytes head = ftyp();
    auto padded = [&](std::size_t n) {
        Bytes b = head;
        b.resize(n, 0);
        return b;
    };
    Bytes notFtyp = padded(300);
    std::memcpy(notFtyp.data() + 4, "moov", 4);
    EXPECT_TRUE(IsMovieFile(dir.write("a.MOV", padded(260))));
    std::uint64_t size = 0;
    EXPECT_TRUE(IsMovieFile(dir.write("e.MOV", padded(4321)), size));
    EXPECT_EQ(size, 4321u);
    EXPECT_FALSE(IsMovieFile(dir.write("b.MOV", padded(259))));
    EXPECT_FALSE(IsMovieFile(dir.write("c.MOV", notFtyp)));
    EXPECT_FALSE(IsMovieFile(dir.write("d.MOV", Bytes{})));
    EXPECT_FALSE(IsMovieFile(dir.path() / "missing.MOV"));
    EXPECT_FALSE(IsMovieFile(dir.path()));
}

TEST(MovieTree, BuildsTheTreeAndCollectsTheListsInPreOrder)
{
    TempDir dir;
    MovieRecipe recipe;
    recipe.tail = atom("udat", cat({Bytes{'C', 'S', 'M', 'D', 'A', 'T'}, Bytes(28, '0')}));
    const Bytes bytes = movie(recipe);
    auto m = OpenMovieTree(dir.write("m.MOV", bytes), true);
    ASSERT_TRUE(m);

    EXPECT_EQ(typesInPreOrder(m->root),
              "(ftyp mdat moov(mvhd trak(tkhd mdia(mdhd hdlr minf(vmhd dinf(dref) stbl(stsd stts stss stsc stsz stco)))) "
              "trak(tkhd mdia(mdhd hdlr minf(smhd dinf(dref) stbl(stsd stts stsc stsz stco))))) udat)");
    const std::size_t expectedCounts[] = {1, 2, 2, 2, 1, 2, 1, 2, 0, 2};
    for (std::size_t i = 0; i < m->lists.size(); ++i) {
        EXPECT_EQ(m->lists[i].size(), expectedCounts[i]) << kCollectedAtomTypes[i];
        for (const AtomNode* n : m->lists[i])
            EXPECT_EQ(n->typeName(), kCollectedAtomTypes[i]);
    }
    // Pre-order: the video track's tables before the audio track's.
    EXPECT_EQ(m->list(AtomList::Stsz)[0]->payloadSize, 12u + 4 * recipe.frames);

    const AtomNode& mdat = m->root.children[1];
    EXPECT_EQ(mdat.loaded, 1);
    EXPECT_TRUE(mdat.payload.empty()); // movie data stays in the file
    EXPECT_EQ(mdat.payloadOffset, ftyp().size() + 8);
    EXPECT_EQ(mdat.payloadSize, recipe.mdatPayload.size());
    const AtomNode& moov = m->root.children[2];
    EXPECT_EQ(moov.loaded, 0);
    EXPECT_TRUE(moov.payload.empty());
    EXPECT_EQ(moov.depth, 1);
    EXPECT_EQ(moov.children[1].children[1].depth, 3);

    // A leaf holds an exact copy of its payload.
    const AtomNode& mvhd = moov.children[0];
    ASSERT_EQ(mvhd.loaded, 1);
    ASSERT_EQ(mvhd.payload.size(), mvhd.payloadSize);
    EXPECT_EQ(0, std::memcmp(mvhd.payload.data(), bytes.data() + mvhd.payloadOffset, mvhd.payload.size()));
    EXPECT_EQ(mvhd.sourcePayloadOffset, mvhd.payloadOffset);
    EXPECT_EQ(*mvhd.sourcePath, *m->path);
    EXPECT_EQ(std::u16string(mvhd.typeUtf16.data()), u"mvhd");

    EXPECT_EQ(PictureSize(*m), std::make_pair(1280, 720));
    EXPECT_EQ(FrameCount(*m), 90);
    EXPECT_FLOAT_EQ(FrameRate(*m), 30.0f);
    CloseMovie(std::move(m));
}

TEST(MovieTree, QueriesReadTheVideoTrackAndReportMissingTables)
{
    TempDir dir;
    MovieRecipe audioFirst;
    audioFirst.audioFirst = true;
    audioFirst.frames = 45;
    audioFirst.frameDelta = 40;
    audioFirst.width = 1920;
    audioFirst.height = 1080;
    auto m = OpenMovieTree(dir.write("a.MOV", movie(audioFirst)));
    ASSERT_TRUE(m);
    EXPECT_EQ(PictureSize(*m), std::make_pair(1920, 1080));
    EXPECT_EQ(FrameCount(*m), 45);
    EXPECT_FLOAT_EQ(FrameRate(*m), 15.0f);

    MovieRecipe bare;
    bare.withMvhd = false;
    bare.withStsd = false;
    m = OpenMovieTree(dir.write("b.MOV", movie(bare)));
    ASSERT_TRUE(m);
    // The audio track's description is not a picture size.
    EXPECT_EQ(PictureSize(*m), std::make_pair(-1, -1));
    EXPECT_EQ(FrameRate(*m), -1.0f);

    m = OpenMovieTree(dir.write("c.MOV", cat({ftyp(), atom("mdat", Bytes(300, 0))})));
    ASSERT_TRUE(m);
    EXPECT_EQ(PictureSize(*m), std::make_pair(-1, -1));
    EXPECT_EQ(FrameCount(*m), -1);
    EXPECT_EQ(FrameRate(*m), -1.0f);
}

TEST(MovieTree, LeavesContainersAndOpaqueAtoms)
{
    TempDir dir;
    Bytes metaPayload;
    putU32(metaPayload, 0); // version and flags: not a child atom
    metaPayload = cat({metaPayload, hdlr("mdir")});
    MovieRecipe recipe;
    recipe.extraMoov = atom("meta", metaPayload);
    recipe.extraTrak = atom("tapt", Bytes(20, 0)); // a type outside the known set, after "mdia"
    // Movie data that happens to start like an atom is still movie data.
    recipe.mdatPayload = cat({atom("free", Bytes(8, 0)), Bytes(200, 0x33)});
    auto m = OpenMovieTree(dir.write("m.MOV", movie(recipe)));
    ASSERT_TRUE(m);

    const AtomNode& mdat = m->root.children[1];
    EXPECT_EQ(mdat.loaded, 1);
    EXPECT_TRUE(mdat.children.empty());

    const AtomNode& moov = m->root.children[2];
    const AtomNode& meta = moov.children.back();
    ASSERT_TRUE(meta.isType("meta"));
    EXPECT_EQ(meta.loaded, 1);
    EXPECT_TRUE(meta.children.empty());
    EXPECT_EQ(meta.payload.size(), metaPayload.size());

    const AtomNode& trak = moov.children[1];
    EXPECT_EQ(trak.loaded, 0);
    EXPECT_EQ(typesInPreOrder(trak).substr(0, 16), "trak(tkhd mdia(m");
    EXPECT_TRUE(trak.children.back().isType("tapt"));
    EXPECT_EQ(trak.children.back().loaded, 1);
    EXPECT_EQ(FrameCount(*m), 90);

    // Without the movie test any file opens; a non-atom file is one opaque root.
    const auto text = dir.write("t.txt", Bytes(400, 'a'));
    EXPECT_FALSE(OpenMovieTree(text, true));
    m = OpenMovieTree(text, false);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->root.loaded, 1);
    EXPECT_TRUE(m->root.children.empty());
    EXPECT_TRUE(m->root.payload.empty());
}

TEST(MovieTree, HostileSizesFailCleanly)
{
    Bytes deep = atom("free", Bytes(8, 0));
    for (int i = 0; i < 200; ++i)
        deep = atom("moov", deep);
    Bytes shallow = atom("free", Bytes(8, 0));
    for (int i = 0; i < 20; ++i)
        shallow = atom("moov", shallow);
    const Bytes okMoov = container("moov", {mvhd(600, 1800)});
    struct Case {
        const char* name;
        Bytes bytes;
        bool parses;
    } cases[] = {
        {"child of size 0", cat({ftyp(), container("moov", {mvhd(600, 1), atom("trak", Bytes(8, 0), 0)})}), false},
        {"child of size 1 (64-bit)", cat({ftyp(), container("moov", {mvhd(600, 1), atom("trak", Bytes(16, 0), 1)})}), false},
        {"child of size 4", cat({ftyp(), container("moov", {mvhd(600, 1), atom("trak", Bytes(8, 0), 4)})}), false},
        {"child overruns its parent", cat({ftyp(), container("moov", {mvhd(600, 1), atom("trak", Bytes(8, 0), 64)}), Bytes(100, 0)}), false},
        {"atom overruns the file", cat({ftyp(), atom("moov", okMoov, 5000)}), false},
        {"mdat of size 0", cat({ftyp(), atom("mdat", Bytes(300, 0), 0)}), false},
        {"garbage tail", cat({ftyp(), okMoov, Bytes{1, 2, 3}}), false},
        {"zero word closing a container", cat({ftyp(), atom("moov", cat({mvhd(600, 1), Bytes(4, 0)}))}), true},
        {"nesting 200 deep", cat({ftyp(), deep}), false},
        {"nesting 20 deep", cat({ftyp(), shallow}), true},
        {"payload of 5 bytes", cat({ftyp(), atom("moov", cat({atom("stbl", Bytes(5, 0)), Bytes{}}))}), true},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = OpenMovieTree(dir.write("h.MOV", c.bytes));
        EXPECT_EQ(bool(m), c.parses);
    }

    // Every prefix of a movie parses or fails, never reads past the file.
    MovieRecipe recipe;
    recipe.frames = 3; // small tables keep the number of prefixes down
    recipe.mdatPayload = Bytes(16, 0x44);
    const Bytes full = movie(recipe);
    MemFile file;
    for (std::size_t n = 0; n <= full.size(); ++n) {
        auto m = OpenMovieTree(file.write(full.data(), n));
        if (m) {
            PictureSize(*m);
            FrameCount(*m);
            FrameRate(*m);
        }
        if (n == full.size()) {
            EXPECT_TRUE(m);
        }
    }
}

TEST(MovieTree, ReleaseReportsProgressPerNode)
{
    TempDir dir;
    resetAtomNodeCounters();
    std::vector<std::pair<std::int64_t, std::int64_t>> calls;
    auto m = OpenMovieTree(dir.write("m.MOV", movie(MovieRecipe{})), true, true,
                           [&calls](std::int64_t done, std::int64_t total) { calls.emplace_back(done, total); });
    ASSERT_TRUE(m);
    const std::int64_t total = atomNodeTotal();
    EXPECT_EQ(total, atomNodeCounter());
    EXPECT_EQ(total, 36); // root and every atom of the fixture
    CloseMovie(std::move(m));
    ASSERT_EQ(calls.size(), std::size_t(total));
    const std::int64_t scaled = total + total / 10;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].second, scaled);
        EXPECT_EQ(calls[i].first, scaled - total + 2 + std::int64_t(i));
    }
    EXPECT_EQ(atomNodeCounter(), 0);

    // Without progress reporting nothing is called and a failed build leaves the counter alone.
    calls.clear();
    m = OpenMovieTree(dir.write("m.MOV", movie(MovieRecipe{})));
    const std::int64_t before = atomNodeCounter();
    EXPECT_FALSE(OpenMovieTree(dir.write("bad.MOV", cat({ftyp(), atom("moov", Bytes(8, 0), 0)}))));
    EXPECT_EQ(atomNodeCounter(), before);
    CloseMovie(std::move(m));
    EXPECT_TRUE(calls.empty());
    resetAtomNodeCounters();
}

} // namespace
} // namespace kivora::recording
