#include "app/HSplit.h"
#include "app/VSplit.h"
#include "support/TestEnv.h"
#include "vb/MousePointer.h"
#include "vb/Twips.h"

#include <QEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Geometry {
    std::int32_t left, top, width, height;
    bool operator==(const Geometry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Geometry& g)
{
    return os << "(" << g.left << ", " << g.top << ", " << g.width << ", " << g.height << ")";
}

Geometry geometryOf(QWidget* w)
{
    const Pane p(w);
    return {p.Left(), p.Top(), p.Width(), p.Height()};
}

// A host of 9000 x 4500 twips with a bar and two panes in it, all plain widgets.
struct Panels {
    Panels()
    {
        Pane(&host).Move(0, 0, 9000, 4500);
        for (QWidget* w : {first, second, bar})
            Pane(w).Move(0, 0, 600, 600);
    }
    QWidget host;
    QWidget* first = new QWidget(&host);
    QWidget* second = new QWidget(&host);
    QWidget* bar = new QWidget(&host);
};

TEST(SplitterTest, VSplitLaysBarAndPanesSideBySideMovingTheBarByDelta)
{
    struct Case {
        double delta;
        std::int32_t barLeft;
    } cases[] = {{0, 3360}, {150, 3510}, {-300, 3060}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delta);
        Panels p;
        Pane(p.bar).setLeft(3360);
        VSplit split;
        split.setHostPane(&p.host);
        split.setLeftPane(p.first);
        split.setRightPane(p.second);
        split.setSplitBar(p.bar);
        split.ResizePanes(c.delta);
        EXPECT_EQ(geometryOf(p.bar), (Geometry{c.barLeft, 0, 30, 4500}));
        EXPECT_EQ(geometryOf(p.first), (Geometry{0, 0, c.barLeft, 4500}));
        EXPECT_EQ(geometryOf(p.second), (Geometry{c.barLeft + 30, 0, 9000 - c.barLeft - 30, 4500}));
    }
}

TEST(SplitterTest, HSplitLaysBarAndPanesOneAboveTheOther)
{
    struct Case {
        double delta;
        std::int32_t barTop;
    } cases[] = {{0, 3360}, {-450, 2910}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delta);
        Panels p;
        Pane(p.bar).setTop(3360);
        HSplit split;
        split.setHostPane(&p.host);
        split.setTopPane(p.first);
        split.setBottomPane(p.second);
        split.setSplitBar(p.bar);
        split.ResizePanes(c.delta);
        EXPECT_EQ(geometryOf(p.bar), (Geometry{0, c.barTop, 9000, 30}));
        EXPECT_EQ(geometryOf(p.first), (Geometry{0, 0, 9000, c.barTop}));
        EXPECT_EQ(geometryOf(p.second), (Geometry{0, c.barTop + 30, 9000, 4500 - c.barTop - 30}));
    }
}

// A bar beyond the host's far edge would give the second pane a negative size:
// that one size is refused, the rest is laid out.
TEST(SplitterTest, ARefusedNegativeSizeKeepsThePreviousValueOnly)
{
    Panels p;
    Pane(p.bar).setLeft(9600);
    Pane(p.second).Move(0, 0, 1200, 900);
    VSplit v;
    v.setHostPane(&p.host);
    v.setLeftPane(p.first);
    v.setRightPane(p.second);
    v.setSplitBar(p.bar);
    v.ResizePanes(0);
    EXPECT_EQ(geometryOf(p.bar), (Geometry{9600, 0, 30, 4500}));
    EXPECT_EQ(geometryOf(p.first), (Geometry{0, 0, 9600, 4500}));
    EXPECT_EQ(geometryOf(p.second), (Geometry{9630, 0, 1200, 4500}));

    Panels q;
    Pane(q.bar).setTop(4800);
    Pane(q.second).Move(0, 0, 900, 750);
    HSplit h;
    h.setHostPane(&q.host);
    h.setTopPane(q.first);
    h.setBottomPane(q.second);
    h.setSplitBar(q.bar);
    h.ResizePanes(0);
    EXPECT_EQ(geometryOf(q.first), (Geometry{0, 0, 9000, 4800}));
    EXPECT_EQ(geometryOf(q.second), (Geometry{0, 4830, 9000, 750}));
}

TEST(SplitterTest, SetPointerSetsTheHostsPointerAndReleasedPanesAreLeftAlone)
{
    Panels p;
    VSplit v;
    v.setHostPane(&p.host);
    v.setLeftPane(p.first);
    v.setRightPane(p.second);
    v.setSplitBar(p.bar);
    v.SetPointer(vb::vbSizeWE);
    EXPECT_EQ(vb::mousePointer(&p.host), vb::vbSizeWE);
    EXPECT_EQ(vb::mousePointer(p.bar), vb::vbDefault);

    // After the panes are released nothing is touched, the bar included.
    Pane(p.bar).setLeft(3000);
    v.setHostPane(nullptr);
    v.ResizePanes(600);
    v.SetPointer(vb::vbDefault);
    EXPECT_EQ(geometryOf(p.bar), (Geometry{3000, 0, 600, 600}));
    EXPECT_EQ(vb::mousePointer(&p.host), vb::vbSizeWE);

    HSplit h;
    h.setTopPane(p.first);
    h.setBottomPane(p.second);
    h.setSplitBar(p.bar);
    h.ResizePanes(600);
    h.SetPointer(vb::vbSizeNS);
    EXPECT_EQ(geometryOf(p.bar), (Geometry{3000, 0, 600, 600}));
}

// The layout of a pane's contents hangs on its Resize: a hidden pane gets it at once.
TEST(SplitterTest, AHiddenPaneReportsItsResizeAtOnceAndOnlyOnAChange)
{
    QWidget pane;
    Pane(&pane).Move(0, 0, 1500, 1500);
    int resizes = 0;
    struct Counter : QObject {
        int* count;
        explicit Counter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Resize)
                ++*count;
            return false;
        }
    } counter(&resizes);
    pane.installEventFilter(&counter);
    Pane(&pane).setWidth(3000);
    EXPECT_EQ(resizes, 1);
    Pane(&pane).setWidth(3000);
    Pane(&pane).setHeight(-15);
    EXPECT_EQ(resizes, 1);
    EXPECT_EQ(geometryOf(&pane), (Geometry{0, 0, 3000, 1500}));
    Pane released;
    released.setWidth(100);
    EXPECT_EQ(released.Width(), 0);
}

} // namespace
