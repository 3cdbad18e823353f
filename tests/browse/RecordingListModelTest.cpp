#include "kivora/browse/RecordingListModel.h"

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

recording::RecordingEntry named(const char* prefix, int number)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s-230115-083000-%06dM.MOV", prefix, number);
    recording::RecordingEntry e;
    e.path = name;
    return e;
}

std::vector<recording::RecordingEntry> mix()
{
    return { named("A___", 1), named("AG__", 2), named("AM__", 3), named("P___", 4), named("PG__", 5),
        named("A_T_", 6), named("T___", 7) };
}

std::string prefixes(const RecordingListModel& m)
{
    std::string out;
    for (const auto& e : m.shown())
        out += e.path.filename().string().substr(0, 4) + " ";
    return out;
}

TEST(RecordingListModel, FiltersShowEachTriggerOnlyUnderItsOwnButtons)
{
    struct Case {
        std::array<bool, 5> on;
        const char* shown;
    };
    const Case cases[] = {
        { { 1, 1, 1, 1, 1 }, "A___ AG__ AM__ P___ PG__ A_T_ T___ " },
        { { 1, 0, 0, 0, 0 }, "A___ A_T_ T___ " },
        { { 0, 1, 0, 0, 0 }, "AG__ " },
        { { 0, 0, 1, 0, 0 }, "AM__ " },
        { { 0, 0, 0, 1, 0 }, "P___ A_T_ " },
        { { 0, 0, 0, 0, 1 }, "PG__ " },
        { { 0, 0, 0, 0, 0 }, "" },
    };
    for (const Case& c : cases) {
        RecordingListModel m;
        m.setAll(mix());
        for (int k = 0; k < 5; ++k)
            m.setFilter(k, c.on[static_cast<std::size_t>(k)]);
        EXPECT_EQ(prefixes(m), c.shown);
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(m.filter(k), c.on[static_cast<std::size_t>(k)]);
    }
}

TEST(RecordingListModel, AFilterChangeThatLeavesRowsMakesRowZeroCurrentAndReopensIt)
{
    RecordingListModel m;
    m.setAll(mix());
    m.refill();
    m.setCurrentIndex(3);
    // Row 0 is already open: a plain selection of it is ignored.
    EXPECT_FALSE(m.acceptSelection(0, 0));
    EXPECT_TRUE(m.setFilter(1, false));
    EXPECT_EQ(m.currentIndex(), 0);
    EXPECT_TRUE(m.reselect());
    EXPECT_TRUE(m.acceptSelection(0, 0)); // reselect: opened again
    EXPECT_FALSE(m.reselect());
    EXPECT_FALSE(m.acceptSelection(0, 0)); // and only once
    EXPECT_TRUE(m.acceptSelection(2, 0));
    // A filter that hides everything leaves no row to open.
    for (int k = 0; k < 5; ++k)
        m.setFilter(k, false);
    EXPECT_FALSE(m.setFilter(0, false));
    EXPECT_FALSE(m.setFilter(7, true));
}

TEST(RecordingListModel, EntryChecksItsBounds)
{
    RecordingListModel m;
    m.setAll(mix());
    m.refill();
    EXPECT_NE(m.entry(0), nullptr);
    EXPECT_NE(m.entry(6), nullptr);
    EXPECT_EQ(m.entry(7), nullptr);
    EXPECT_EQ(m.entry(-1), nullptr);
    m.clear();
    EXPECT_EQ(m.count(), 0);
    EXPECT_EQ(m.entry(0), nullptr);
}

TEST(RecordingListModel, RowColoursFollowTheCurrentRowAndShockTriggers)
{
    struct Case {
        const char* prefix;
        bool current;
        QColor colour;
    };
    const Case cases[] = {
        { "A___", false, Qt::white },
        { "AG__", false, QColor(255, 255, 204) },
        { "PG__", false, QColor(255, 255, 204) },
        { "AM__", false, Qt::white },
        { "A___", true, QColor(178, 178, 178) },
        { "AG__", true, QColor(178, 178, 142) },
        { "PG__", true, QColor(178, 178, 142) },
        { "P___", true, QColor(178, 178, 178) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RecordingListModel::rowBackground(named(c.prefix, 1), c.current), c.colour)
            << c.prefix << " current " << c.current;
}

TEST(RecordingListModel, LongLabelsAreCutAtAWordWithAnEllipsis)
{
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    const QFontMetrics fm(font);
    const QString e(QChar(0x2026));
    auto w = [&](const QString& text) { return fm.horizontalAdvance(text); };
    struct Case {
        QString label;
        int width;
        QString shown; // empty with cut: a character cut, checked for its ellipsis and fit
        bool cut = false;
    };
    const QString three = QStringLiteral("day trip video");
    const Case cases[] = {
        { three, w(three), three },
        { three, w(three) - 1, QStringLiteral("day trip") + e },
        { three, w(QStringLiteral("day trip") + e), QStringLiteral("day trip") + e },
        { three, w(QStringLiteral("day trip") + e) - 1, QStringLiteral("day") + e },
        { QStringLiteral("day   trip"), w(QStringLiteral("day  t")), QStringLiteral("day") + e },
        // A recording's label is a single word: it is cut inside.
        { QStringLiteral("AG__-083000-000123"), w(QStringLiteral("AG__-0830")), {}, true },
        { QStringLiteral("longfirstword rest"), w(QStringLiteral("longf")), {}, true },
        { QString(), 0, QString() },
        { three, 0, QString() },
    };
    for (const Case& c : cases) {
        const QString shown = RecordingListModel::elideAtWord(c.label, fm, c.width);
        SCOPED_TRACE((c.label + QStringLiteral(" in ") + QString::number(c.width)).toStdString());
        EXPECT_LE(w(shown), std::max(0, c.width));
        if (!c.cut) {
            EXPECT_EQ(shown, c.shown);
        } else {
            EXPECT_TRUE(shown.endsWith(e)) << shown.toStdString();
            EXPECT_TRUE(c.label.startsWith(shown.chopped(1))) << shown.toStdString();
        }
    }
}

TEST(RecordingListModel, TheScrollBarRangesFromZeroToTheRowCount)
{
    struct Case {
        int rows, visible;
        int minimum, maximum;
    };
    const Case cases[] = {
        { 0, 10, -1, -1 }, // empty
        { 1, 10, 0, 0 }, { 10, 10, 0, 1 }, // 0 .. 10 with a page of 10
        { 30, 10, 0, 21 }, { 30, 0, 0, 30 }, // no whole row visible: a page of one
    };
    for (const Case& c : cases) {
        const auto r = RecordingListModel::scrollRange(c.rows, c.visible);
        EXPECT_EQ(r.minimum, c.minimum) << c.rows << " rows, " << c.visible << " visible";
        EXPECT_EQ(r.maximum, c.maximum) << c.rows << " rows, " << c.visible << " visible";
        EXPECT_EQ(r.pageStep, std::max(1, c.visible));
    }
}

} // namespace
} // namespace kivora::browse
