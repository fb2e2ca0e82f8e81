#pragma once
// The exploration tree: every workspace window is a node, a pipeline makes the new
// workspace a child of the one whose view asked for it. The tree places the workspace
// windows as the boxes of its drawing (one column per level, leaves stacked, parents
// centred on their leaves), draws the links on the main window's canvas with a circular
// marker at the middle of each, keeps one composition workspace per level (the union of
// the workspaces whose markers were pressed), and serves the main window's navigation:
// translate, zoom about a point, instant zoom, prune.
//
// The geometry (layout, zoom, link and composition placement) is worked out on a plain
// model of boxes first (TVisTreeBox, TVisTreeShape), then applied to the windows.

#include <array>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QPointer>
#include <QWidget>

class TFormVisWorkspace;
class TFormVisualizationTree;

// ---- Geometry without windows ------------------------------------------------------------

// A box as the tree sees a workspace: position, size and the size constraints that clamp
// every size set on it.
struct TVisTreeBox {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = std::numeric_limits<int>::max();
    int MaxHeight = std::numeric_limits<int>::max();
    // What an open label panel adds below the box; the layout stacks the next box under it.
    int Extra = 0;

    void MoveBy(int dx, int dy);
    void MoveTo(int x, int y);
    void ResizeTo(int width, int height);
    void ScaleBy(float widthFactor, float heightFactor);
    bool CanGrow() const { return Width < MaxWidth && Height < MaxHeight; }
    bool CanShrink() const { return Width > MinWidth && Height > MinHeight; }
    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }
};

// The tree's nodes in depth-first order (node before children, children in sibling order),
// each with the index of its parent (-1 for the root, which comes first) and its level.
struct TVisTreeShapeNode {
    int Parent = -1;
    int Level = 1;
    TVisTreeBox Box;
};

class TVisTreeShape {
public:
    std::vector<TVisTreeShapeNode> Nodes;

    int Count() const { return static_cast<int>(Nodes.size()); }
    TVisTreeBox& Box(int node) { return Nodes[node].Box; }
    const TVisTreeBox& Box(int node) const { return Nodes[node].Box; }
    // Tree walks; -1 for none.
    std::vector<int> Children(int node) const;
    int LastChild(int node) const;
    int FirstLeaf(int node) const;
    int LastLeaf(int node) const;
    // The leaf drawn just above the node's sub-tree.
    int PreviousLeaf(int node) const;
};

// What the last extent measurement found; MaxLevel only grows.
struct TVisTreeExtent {
    int MinTop = 1000000;
    int MaxBottom = -1;
    int MaxLevel = 0;
};

// The line of a link, from the middle of the child's left edge to the middle of the
// parent's right edge, and the top-left corner of its 8 × 8 inner marker.
struct TVisTreeLink {
    int ChildX = 0;
    int ChildY = 0;
    int ParentX = 0;
    int ParentY = 0;
    int InnerLeft = 0;
    int InnerTop = 0;
};

namespace VisTreeGeometry {
constexpr int ColumnGap = 30;
constexpr int InnerMarkerSize = 8;
constexpr int OuterMarkerSize = 16;

// Smallest Top, largest bottom and deepest level of the tree's boxes; a shown composition
// (drawn below the tree) adds the root's height to the bottom.
void MeasureExtent(const TVisTreeShape& shape, bool compositionShown, TVisTreeExtent& extent);
// Boxes of size w × h, in columns of pitch w + 30 by level, leaves stacked at pitch h (and
// the open label panel of the leaf above, its Extra) in depth-first order, each parent
// centred on the span of its leaves.
void LayoutNode(TVisTreeShape& shape, int node, int w, int h);
// The layout of the whole tree: fitted to the client area while the root can shrink and
// `keepSize` is false (a second pass, scaled, when the leaves need more than the client
// height), otherwise at the root's own size. Answers whether the layout was fitted.
bool Layout(TVisTreeShape& shape, TVisTreeExtent& extent, int clientWidth, int clientHeight, float aspectRatio,
            bool compositionShown, bool keepSize = false);
// The shift that centres `focus` in the client area.
void CentringShift(const TVisTreeBox& focus, int clientWidth, int clientHeight, int& dx, int& dy);
// Index of the node whose top-left corner is nearest to (x, y), strictly nearer than 1000
// pixels; the root (0) when none is.
int ZoomAnchor(const TVisTreeShape& shape, int x, int y);
// Scales every box by (f, g) about the anchor's top-left corner; false, changing nothing,
// when the root cannot grow (f > 1) or shrink (f < 1) any more.
bool Zoom(TVisTreeShape& shape, int x, int y, float f, float g);
// The link between a parent box and a child box.
TVisTreeLink Link(const TVisTreeBox& parent, const TVisTreeBox& child);
// The composition box of a level: the size of its top member `member`, centred on the gap
// between the member's parent `parent` and the member, just below `below`.
TVisTreeBox CompositionBox(const TVisTreeBox& member, const TVisTreeBox& parent, const TVisTreeBox& below);
} // namespace VisTreeGeometry

// ---- Markers ------------------------------------------------------------------------------

// A small circle with a black one-pixel outline, filled with its brush colour, that reports
// presses of the left button.
class TVisTreeMarker : public QWidget {
public:
    TVisTreeMarker(int diameter, QColor brush, QWidget* parent);
    void SetBrushColor(QColor color);
    QColor BrushColor() const { return Brush; }
    std::function<void()> OnMouseDown;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor Brush;
};

// ---- The tree -----------------------------------------------------------------------------

class TVisTreeNode {
public:
    // Takes the workspace; the markers are made for every node but the root, hidden until
    // the first link is drawn, children of `markerParent`.
    TVisTreeNode(std::unique_ptr<TFormVisWorkspace> workspace, TVisTreeNode* parent, QWidget* markerParent);
    ~TVisTreeNode();
    TVisTreeNode(const TVisTreeNode&) = delete;
    TVisTreeNode& operator=(const TVisTreeNode&) = delete;

    // Toggles the node into or out of its level's composition (the markers' press).
    void ToggleComposition();

    // Called after the composition flag changed.
    std::function<void()> TrackCompositionFunction;

    // Children are owned by their parent through FirstChild, each sibling owns the next.
    std::unique_ptr<TVisTreeNode> FirstChild;
    TVisTreeNode* PreviousSibling = nullptr;
    std::unique_ptr<TVisTreeNode> NextSibling;
    TVisTreeNode* Parent = nullptr;
    std::unique_ptr<TFormVisWorkspace> Workspace;
    std::unique_ptr<TVisTreeMarker> InnerMarker;
    std::unique_ptr<TVisTreeMarker> OuterMarker;
    int Level = -1;
    bool InComposition = false;

    TVisTreeNode* LastChild() const;
};

// The members of one level's composition, in the order they joined, and the composition
// workspace holding the union of their datasets (none while the composition is empty).
class TVisTreeCompositionNode {
public:
    int Count() const { return static_cast<int>(Members.size()); }
    TVisTreeNode* Member(int index) const { return Members[static_cast<std::size_t>(index)]; }
    int IndexOf(const TVisTreeNode* node) const;

    std::vector<TVisTreeNode*> Members;
    std::unique_ptr<TFormVisWorkspace> Workspace;
    // The member whose workspace has the smallest Top.
    int TopIndex = 0;
};

// One composition per level; the composition of level L is item L (levels 2 … 99 can have
// members: the root, level 1, has no link to press).
class TVisTreeListOfCompositionNodes {
public:
    static constexpr int Size = 100;
    TVisTreeCompositionNode* Item(int level) { return level >= 0 && level < Size ? &Items[level] : nullptr; }
    const TVisTreeCompositionNode* Item(int level) const { return level >= 0 && level < Size ? &Items[level] : nullptr; }

    // The workspace to bring into view after the last composition change.
    QPointer<TFormVisWorkspace> FocusWorkspace;

private:
    std::array<TVisTreeCompositionNode, Size> Items;
};

class TVisTree {
public:
    // Takes the root workspace; nothing is laid out or drawn yet.
    TVisTree(std::unique_ptr<TFormVisWorkspace> rootWorkspace, TFormVisualizationTree* mainWindow);
    ~TVisTree();
    TVisTree(const TVisTree&) = delete;
    TVisTree& operator=(const TVisTree&) = delete;

    // Links the child under the parent's node, lays the tree out and labels the child.
    void AddPipeline(TFormVisWorkspace* parentWorkspace, std::unique_ptr<TFormVisWorkspace> childWorkspace);
    // Removes the workspace's node with its sub-tree. The windows go once the current
    // command has returned (a view of the pruned workspace may have asked for it).
    void PruneBranch(TFormVisWorkspace* workspace);
    void Translate(int dx, int dy);
    void ZoomAt(int x, int y, float horizontalFactor, float verticalFactor);
    void InstantZoom(int x, int y);
    void Relayout(TFormVisWorkspace* focus);
    // Lays the tree out again at the present box sizes after a workspace's label panel
    // opened or closed, with `keep` where it is, so that no box covers another's panel.
    void Restack(TFormVisWorkspace* keep);
    // True once the user zoomed or translated: layouts then keep the box sizes (the zoom)
    // instead of fitting the tree to the window again, and bring the new workspace into view.
    bool Navigated() const { return NavigatedValue; }
    void Redraw();
    void ForceRepaint();
    void UpdateCompositions();
    // The node whose workspace has the identifier of `workspace`, searched depth-first
    // from `startNode`; none for composition workspaces.
    TVisTreeNode* FindNode(const TFormVisWorkspace* workspace, TVisTreeNode* startNode) const;

    TVisTreeNode* RootNode() const { return Root.get(); }
    TFormVisWorkspace* RootWorkspace() const;
    TVisTreeListOfCompositionNodes& Compositions() { return CompositionsValue; }
    const TVisTreeExtent& Extent() const { return ExtentValue; }
    // All tree nodes, node before children.
    std::vector<TVisTreeNode*> Nodes() const;

    float AspectRatio = 1.5f;

private:
    bool AnyCompositionShown() const;
    TVisTreeShape Snapshot(const std::vector<TVisTreeNode*>& nodes) const;
    void Apply(const TVisTreeShape& shape, const std::vector<TVisTreeNode*>& nodes);
    void DrawLink(TVisTreeNode* node);
    void UpdateComposition(TVisTreeNode* node);
    bool AddMember(TVisTreeCompositionNode* composition, TVisTreeNode* node);
    bool RemoveMember(TVisTreeCompositionNode* composition, TVisTreeNode* node);
    void RebuildComposition(TVisTreeCompositionNode* composition, const TVisTreeNode* node);
    void LayoutComposition(TVisTreeCompositionNode* composition);
    void DestroyNode(std::unique_ptr<TVisTreeNode> node);
    void DeleteSubtree(TVisTreeNode* node);
    QWidget* MarkerParent() const;
    void MoveAll(int dx, int dy);
    bool NavigatedValue = false;

    std::unique_ptr<TVisTreeNode> Root;
    TFormVisualizationTree* MainWindow;
    TVisTreeExtent ExtentValue;
    TVisTreeListOfCompositionNodes CompositionsValue;
};
