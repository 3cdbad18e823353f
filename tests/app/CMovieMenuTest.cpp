// The video's popup menu: its items by state, and its sizes.
#include "kivora/app/CMovieMenu.h"
#include "kivora/app/CommandIds.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kivora::app;

namespace {

struct Row {
    int id;
    int slot;
    bool enabled;
};

// The table's items (before our own separator and rear camera item), as (id, slot, enabled).
std::vector<Row> tableItems(const std::vector<MovieMenuItem>& items)
{
    std::vector<Row> rows;
    for (const MovieMenuItem& i : items) {
        if (i.id == kCmdRearView)
            break;
        rows.push_back({ i.id, i.slot, i.enabled });
    }
    if (!rows.empty() && rows.back().id == 0)
        rows.pop_back(); // the separator before our own item
    return rows;
}

bool operator==(const Row& a, const Row& b)
{
    return a.id == b.id && a.slot == b.slot && a.enabled == b.enabled;
}

} // namespace

TEST(CMovieMenu, ContentsByStateRateAndLayout)
{
    const Row sep { 0, -1, true };
    const std::vector<Row> tail { sep, { 38006, 86, true }, { 38011, 84, true }, sep, { 38009, 81, true } };
    auto with = [](std::vector<Row> head, const std::vector<Row>& rest) {
        head.insert(head.end(), rest.begin(), rest.end());
        return head;
    };
    struct Case {
        const char* what;
        int state, rate, aspect;
        bool full;
        std::vector<Row> expected;
    };
    const std::vector<Case> cases {
        { "closed", 0, 1, 1, false, { { 38011, 84, true }, sep, { 38009, 81, true } } },
        { "closed in full screen", 0, 1, 1, true, { { 38011, 84, true }, sep, { 38009, 81, true } } },
        { "stopped", 1, 1, 1, false, with({ { 38002, 83, true } }, tail) },
        { "paused", 3, 1, 1, false, with({ { 38002, 83, true }, { 38000, 87, true } }, tail) },
        { "playing x1", 2, 1, 1, false,
            with({ { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, true }, { 38003, 85, true } },
                tail) },
        { "playing x2: fast grayed", 2, 2, 1, false,
            with({ { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, false }, { 38003, 85, true } },
                tail) },
        { "playing x4: fast grayed", 2, 4, 1, false,
            with({ { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, false }, { 38003, 85, true } },
                tail) },
        { "playing x0.5: slow grayed", 2, -2, 1, false,
            with({ { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, true }, { 38003, 85, false } },
                tail) },
        { "stopped, full screen, keeping the aspect: stretch", 1, 1, 1, true,
            { { 38002, 83, true }, { 38200, 89, true } } },
        { "paused, full screen, stretched: keep", 3, 1, 0, true,
            { { 38002, 83, true }, { 38000, 87, true }, { 38200, 88, true } } },
        { "playing, full screen, other aspect mode: no aspect item", 2, 1, 2, true,
            { { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, true }, { 38003, 85, true } } },
    };
    for (const Case& c : cases) {
        const std::vector<MovieMenuItem> items = movieMenuItems(c.state, c.rate, c.aspect, c.full, false, 0);
        EXPECT_TRUE(tableItems(items) == c.expected) << c.what;
        // Our own item comes last, after a separator, only while a movie is open.
        const bool open = c.state >= 1;
        ASSERT_FALSE(items.empty());
        EXPECT_EQ(items.back().id == kCmdRearView, open) << c.what;
        if (open) {
            EXPECT_TRUE(items[items.size() - 2].separator()) << c.what;
        }
    }
    EXPECT_TRUE(movieMenuItems(1, 1, 1, false, true, 0).back().checked);
}

TEST(CMovieMenu, ItemSizesFollowTheScaleAndTheLayout)
{
    const QFont font;
    for (const double s : { 1.0, 1.5 }) {
        const CMovieMenu normal(movieMenuItems(1, 1, 1, false, false, 0), s, false, font, 0);
        const CMovieMenu wide(movieMenuItems(1, 1, 1, true, false, 0), s, true, font, 0);
        EXPECT_EQ(normal.itemSize(), QSize(int(70 * s), int(20 * s)));
        EXPECT_EQ(wide.itemSize(), QSize(int(220 * s), int(20 * s)));
        EXPECT_EQ(normal.actions().size(), 8); // play, sep, still, settings, sep, browse, sep, rear
    }
}
