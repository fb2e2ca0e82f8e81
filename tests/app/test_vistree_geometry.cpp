// The exploration tree's geometry on plain boxes: layouts, centring, zoom about an anchor,
// link and marker placement, composition placement.
#include <gtest/gtest.h>

#include "app/VisTree.h"

namespace {

using namespace VisTreeGeometry;

// Boxes as a 1000-pixel-wide main window constrains its workspaces: 200 × 133 to 800 × 533.
TVisTreeBox WorkspaceBox(int left, int top, int width = 338, int height = 200)
{
    TVisTreeBox box{left, top, width, height};
    box.MinWidth = 200;
    box.MinHeight = 133;
    box.MaxWidth = 800;
    box.MaxHeight = 533;
    return box;
}

// A shape from (parent, level) pairs in depth-first order, every box a fresh workspace.
TVisTreeShape Shape(std::initializer_list<std::pair<int, int>> nodes, int width = 338, int height = 200)
{
    TVisTreeShape shape;
    for (const auto& [parent, level] : nodes) shape.Nodes.push_back({parent, level, WorkspaceBox(0, 0, width, height)});
    return shape;
}

struct TExpectedBox {
    int Left, Top, Width, Height;
};

void ExpectBoxes(const TVisTreeShape& shape, const std::vector<TExpectedBox>& expected)
{
    ASSERT_EQ(shape.Count(), static_cast<int>(expected.size()));
    for (int i = 0; i < shape.Count(); ++i) {
        const TVisTreeBox& box = shape.Box(i);
        EXPECT_EQ(box.Left, expected[i].Left) << "node " << i;
        EXPECT_EQ(box.Top, expected[i].Top) << "node " << i;
        EXPECT_EQ(box.Width, expected[i].Width) << "node " << i;
        EXPECT_EQ(box.Height, expected[i].Height) << "node " << i;
    }
}

TEST(VisTreeWalks, LeavesAndPreviousLeafFollowTheDepthFirstOrder)
{
    // 0 ─┬─ 1 ─┬─ 2
    //    │     └─ 3
    //    └─ 4 ─── 5
    const TVisTreeShape shape = Shape({{-1, 1}, {0, 2}, {1, 3}, {1, 3}, {0, 2}, {4, 3}});
    EXPECT_EQ(shape.FirstLeaf(0), 2);
    EXPECT_EQ(shape.LastLeaf(0), 5);
    EXPECT_EQ(shape.LastLeaf(1), 3);
    EXPECT_EQ(shape.PreviousLeaf(0), -1);
    EXPECT_EQ(shape.PreviousLeaf(2), -1);
    EXPECT_EQ(shape.PreviousLeaf(3), 2);
    EXPECT_EQ(shape.PreviousLeaf(4), 3);
    EXPECT_EQ(shape.PreviousLeaf(5), 3);
}

TEST(VisTreeLayout, FittedLayoutsPlaceColumnsByLevelAndCentreParentsOnTheirLeaves)
{
    struct Case {
        const char* Name;
        TVisTreeShape Shape;
        std::vector<TExpectedBox> Expected;
    };
    const std::vector<Case> cases = {
        // w = 1000 / 2 − 30 = 470, h = 313: the root at half the second child's Top.
        {"root with two children", Shape({{-1, 1}, {0, 2}, {0, 2}}),
         {{0, 156, 470, 313}, {500, 0, 470, 313}, {500, 313, 470, 313}}},
        // w = 303, h = 202; the leaves 2, 3, 4 stacked; 1 centred on 2 and 3.
        {"three levels", Shape({{-1, 1}, {0, 2}, {1, 3}, {1, 3}, {0, 2}}),
         {{0, 202, 303, 202}, {333, 101, 303, 202}, {666, 0, 303, 202}, {666, 202, 303, 202}, {333, 404, 303, 202}}},
        // Three leaves need 939 > 700 pixels: a second pass scaled by 700 / 939.
        {"leaves overflow the height", Shape({{-1, 1}, {0, 2}, {0, 2}, {0, 2}}),
         {{0, 233, 350, 233}, {380, 0, 350, 233}, {380, 233, 350, 233}, {380, 466, 350, 233}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TVisTreeShape shape = c.Shape;
        TVisTreeExtent extent;
        EXPECT_TRUE(Layout(shape, extent, 1000, 700, 1.5f, false));
        ExpectBoxes(shape, c.Expected);
    }
}

TEST(VisTreeLayout, MaxLevelOnlyGrowsAndAShownCompositionCountsTheRootHeightBelow)
{
    TVisTreeShape shape = Shape({{-1, 1}, {0, 2}, {1, 3}});
    TVisTreeExtent extent;
    MeasureExtent(shape, false, extent);
    EXPECT_EQ(extent.MaxLevel, 3);
    shape.Nodes.pop_back();
    shape.Box(0) = WorkspaceBox(0, 50, 338, 200);
    shape.Box(1) = WorkspaceBox(400, 100, 338, 200);
    MeasureExtent(shape, false, extent);
    EXPECT_EQ(extent.MaxLevel, 3);
    EXPECT_EQ(extent.MinTop, 50);
    EXPECT_EQ(extent.MaxBottom, 300);
    MeasureExtent(shape, true, extent);
    EXPECT_EQ(extent.MaxBottom, 500);

    // The deeper level seen before keeps the columns narrow: w = 1000 / 3 − 30.
    Layout(shape, extent, 1000, 700, 1.5f, false);
    EXPECT_EQ(shape.Box(1).Left, 333);
    EXPECT_EQ(shape.Box(1).Width, 303);
}

TEST(VisTreeLayout, AtMinimumSizeTheBoxesKeepTheirSizeAndTheFocusIsCentred)
{
    TVisTreeShape shape = Shape({{-1, 1}, {0, 2}, {0, 2}}, 200, 133);
    TVisTreeExtent extent;
    EXPECT_FALSE(Layout(shape, extent, 1000, 700, 1.5f, false));
    ExpectBoxes(shape, {{0, 66, 200, 133}, {230, 0, 200, 133}, {230, 133, 200, 133}});

    int dx = 0;
    int dy = 0;
    CentringShift(shape.Box(2), 1000, 700, dx, dy);
    EXPECT_EQ(dx, 170);  // (1000 − 200) / 2 − 230
    EXPECT_EQ(dy, 150);  // trunc((700 − 133) / 2 − 133) = trunc(150.5)
    shape.Box(2).MoveBy(dx, dy);
    EXPECT_EQ(shape.Box(2).Left + shape.Box(2).Width / 2, 500);
}

// An open label panel (a box's Extra) hangs below its box: the next leaf is stacked under
// the panel, and the parents are centred on their leaves as before.
TEST(VisTreeLayout, LeavesAreStackedBelowTheOpenPanelOfTheLeafAbove)
{
    // 0 ─┬─ 1
    //    ├─ 2   (panel open, 90 high)
    //    └─ 3
    TVisTreeShape shape = Shape({{-1, 1}, {0, 2}, {0, 2}, {0, 2}});
    shape.Box(2).Extra = 90;
    shape.Box(0).Extra = 40;  // a parent's panel does not push its leaves
    LayoutNode(shape, 0, 300, 200);
    ExpectBoxes(shape, {{0, 245, 300, 200}, {330, 0, 300, 200}, {330, 200, 300, 200}, {330, 490, 300, 200}});
    TVisTreeExtent extent;
    MeasureExtent(shape, false, extent);
    EXPECT_EQ(extent.MaxBottom, 690);
}

// Once the user zoomed or translated, a new layout keeps the box size instead of fitting
// the tree to the window again.
TEST(VisTreeLayout, KeepingTheSizeLaysOutAtTheRootsSizeEvenWhenItCouldShrink)
{
    TVisTreeShape shape = Shape({{-1, 1}, {0, 2}}, 300, 200);
    TVisTreeExtent extent;
    EXPECT_FALSE(Layout(shape, extent, 1000, 700, 1.5f, false, true));
    ExpectBoxes(shape, {{0, 0, 300, 200}, {330, 0, 300, 200}});
    EXPECT_TRUE(Layout(shape, extent, 1000, 700, 1.5f, false, false));
    EXPECT_EQ(shape.Box(0).Width, 470);
}

TEST(VisTreeZoom, ZoomingAtABoxCornerKeepsThatCornerAndMovesTheOthersBySlots)
{
    struct Case {
        const char* Name;
        int X, Y;
        float Factor;
        std::vector<TExpectedBox> Expected;
    };
    // The fitted root with two children: root (0, 156), children (500, 0) and (500, 313),
    // all 470 × 313.
    const std::vector<Case> cases = {
        {"zoom in at the second child", 500, 313, 1.1f, {{-47, 156, 517, 344}, {500, -31, 517, 344}, {500, 313, 517, 344}}},
        {"zoom in near the root", 10, 150, 1.1f, {{0, 156, 517, 344}, {547, 0, 517, 344}, {547, 313, 517, 344}}},
        {"zoom out at the first child", 500, 0, 0.9f, {{47, 156, 423, 281}, {500, 0, 423, 281}, {500, 282, 423, 281}}},
        // Every corner is 1000 pixels or more away: the root is the anchor. (The second
        // child lies half a slot below the centred root: no whole slot, no move.)
        {"far from every corner", 2000, 2000, 1.1f, {{0, 156, 517, 344}, {547, 0, 517, 344}, {547, 313, 517, 344}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TVisTreeShape shape = Shape({{-1, 1}, {0, 2}, {0, 2}});
        TVisTreeExtent extent;
        Layout(shape, extent, 1000, 700, 1.5f, false);
        EXPECT_TRUE(Zoom(shape, c.X, c.Y, c.Factor, c.Factor));
        ExpectBoxes(shape, c.Expected);
    }
}

TEST(VisTreeZoom, SlotCountsRoundHalvesToEven)
{
    // A box left of the anchor, 500, 300 or 100 pixels away at a pitch of 200: 2.5, 1.5
    // and 0.5 slots become 2, 2 and 0; each slot moves it by 10 % of its width, 17.
    struct Case {
        int Distance;
        int Move;
    };
    for (const Case& c : {Case{500, -34}, Case{300, -34}, Case{100, 0}, Case{400, -34}}) {
        SCOPED_TRACE(c.Distance);
        TVisTreeShape shape;
        shape.Nodes.push_back({-1, 1, TVisTreeBox{1000, 0, 170, 100}});
        shape.Nodes.push_back({0, 2, TVisTreeBox{1000 - c.Distance, 0, 170, 100}});
        EXPECT_TRUE(Zoom(shape, 1000, 0, 1.1f, 1.1f));
        EXPECT_EQ(shape.Box(1).Left, 1000 - c.Distance + c.Move);
        EXPECT_EQ(shape.Box(0).Left, 1000);
    }
}

TEST(VisTreeZoom, NothingChangesWhenTheRootCannotGrowOrShrinkFurther)
{
    struct Case {
        int Width, Height;
        float Factor;
    };
    for (const Case& c : {Case{800, 533, 1.1f}, Case{200, 133, 0.9f}, Case{800, 300, 1.1f}}) {
        TVisTreeShape shape = Shape({{-1, 1}, {0, 2}}, c.Width, c.Height);
        shape.Box(1).MoveTo(900, 40);
        const TVisTreeShape before = shape;
        EXPECT_FALSE(Zoom(shape, 900, 40, c.Factor, c.Factor)) << c.Width << "x" << c.Height;
        for (int i = 0; i < shape.Count(); ++i) {
            EXPECT_EQ(shape.Box(i).Left, before.Box(i).Left);
            EXPECT_EQ(shape.Box(i).Width, before.Box(i).Width);
        }
    }
}

TEST(VisTreeLink, TheLineJoinsTheEdgesAndTheMarkerSitsOnItsMiddle)
{
    struct Case {
        const char* Name;
        TVisTreeBox Parent, Child;
        TVisTreeLink Expected;
    };
    const std::vector<Case> cases = {
        {"child higher", {0, 100, 200, 100}, {230, 0, 200, 100}, {230, 50, 200, 150, 211, 96}},
        {"child lower", {0, 0, 200, 100}, {260, 200, 200, 100}, {260, 250, 200, 50, 226, 146}},
        // No horizontal extent: the marker still sits half-way along the line.
        {"child at the parent's right edge", {0, 0, 200, 100}, {200, 300, 200, 100}, {200, 350, 200, 50, 196, 196}},
        {"child overlapping the parent", {0, 100, 200, 100}, {180, 0, 200, 100}, {180, 50, 200, 150, 186, 96}},
        {"off the canvas", {-500, -301, 200, 101}, {-270, -101, 200, 101}, {-270, -50, -300, -250, -289, -154}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TVisTreeLink link = Link(c.Parent, c.Child);
        EXPECT_EQ(link.ChildX, c.Expected.ChildX);
        EXPECT_EQ(link.ChildY, c.Expected.ChildY);
        EXPECT_EQ(link.ParentX, c.Expected.ParentX);
        EXPECT_EQ(link.ParentY, c.Expected.ParentY);
        EXPECT_EQ(link.InnerLeft, c.Expected.InnerLeft);
        EXPECT_EQ(link.InnerTop, c.Expected.InnerTop);
    }
}

TEST(VisTreeComposition, TheCompositionBoxSitsInTheGapBelowTheGivenBox)
{
    const TVisTreeBox parent{0, 156, 470, 313};
    const TVisTreeBox member{500, 0, 470, 313};
    const TVisTreeBox below{500, 313, 470, 313};
    const TVisTreeBox box = CompositionBox(member, parent, below);
    EXPECT_EQ(box.Left, 250);  // (470 + 500) / 2 − 235
    EXPECT_EQ(box.Top, 626);
    EXPECT_EQ(box.Width, 470);
    EXPECT_EQ(box.Height, 313);
}

} // namespace
