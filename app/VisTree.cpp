#include "app/VisTree.h"

#include <QMdiArea>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "data/Auxiliar.h"

namespace {
// An integer from a result the float arithmetic may have pushed out of range.
int TruncToInt(double value)
{
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::clamp(std::trunc(value), -1.0e9, 1.0e9));
}

TVisTreeBox BoxOf(const TFormVisWorkspace* workspace)
{
    TVisTreeBox box;
    box.Left = workspace->Left();
    box.Top = workspace->Top();
    box.Width = workspace->Width();
    box.Height = workspace->Height();
    box.MinWidth = workspace->minimumWidth();
    box.MinHeight = workspace->minimumHeight();
    box.MaxWidth = workspace->maximumWidth();
    box.MaxHeight = workspace->maximumHeight();
    // An open label panel hangs below the box the tree lays out.
    box.Extra = std::min(workspace->DetailsHeight(), box.Height);
    box.Height -= box.Extra;
    box.MinHeight = std::max(0, box.MinHeight - box.Extra);
    if (box.MaxHeight != std::numeric_limits<int>::max()) box.MaxHeight = std::max(0, box.MaxHeight - box.Extra);
    return box;
}

const QColor CompositionGreen(0, 255, 0);
} // namespace

// ---- TVisTreeBox ----------------------------------------------------------------------------

void TVisTreeBox::MoveBy(int dx, int dy)
{
    Left += dx;
    Top += dy;
}

void TVisTreeBox::MoveTo(int x, int y)
{
    Left = x;
    Top = y;
}

// Clamped as a window clamps a size set on it: the minimum wins over the maximum.
void TVisTreeBox::ResizeTo(int width, int height)
{
    Width = std::max({std::min(width, MaxWidth), MinWidth, 0});
    Height = std::max({std::min(height, MaxHeight), MinHeight, 0});
}

void TVisTreeBox::ScaleBy(float widthFactor, float heightFactor)
{
    // Single precision, as the workspaces scale.
    const float width = std::trunc(static_cast<float>(Width) * widthFactor);
    const float height = std::trunc(static_cast<float>(Height) * heightFactor);
    if (!std::isfinite(width) || !std::isfinite(height)) return;
    ResizeTo(TruncToInt(width), TruncToInt(height));
}

// ---- TVisTreeShape --------------------------------------------------------------------------

std::vector<int> TVisTreeShape::Children(int node) const
{
    std::vector<int> children;
    for (int i = node + 1; i < Count(); ++i)
        if (Nodes[i].Parent == node) children.push_back(i);
    return children;
}

int TVisTreeShape::LastChild(int node) const
{
    for (int i = Count() - 1; i > node; --i)
        if (Nodes[i].Parent == node) return i;
    return -1;
}

int TVisTreeShape::FirstLeaf(int node) const
{
    for (;;) {
        const std::vector<int> children = Children(node);
        if (children.empty()) return node;
        node = children.front();
    }
}

int TVisTreeShape::LastLeaf(int node) const
{
    for (int child = LastChild(node); child >= 0; child = LastChild(node)) node = child;
    return node;
}

int TVisTreeShape::PreviousLeaf(int node) const
{
    while (node > 0) {
        const int parent = Nodes[node].Parent;
        if (parent < 0) return -1;
        int previous = -1;
        for (int child : Children(parent)) {
            if (child == node) break;
            previous = child;
        }
        if (previous >= 0) return LastLeaf(previous);
        node = parent;
    }
    return -1;
}

// ---- Geometry ----------------------------------------------------------------------------------

namespace VisTreeGeometry {

void MeasureExtent(const TVisTreeShape& shape, bool compositionShown, TVisTreeExtent& extent)
{
    extent.MinTop = 1000000;
    extent.MaxBottom = -1;
    for (const TVisTreeShapeNode& node : shape.Nodes) {
        extent.MinTop = std::min(extent.MinTop, node.Box.Top);
        extent.MaxBottom = std::max(extent.MaxBottom, node.Box.Bottom() + node.Box.Extra);
        extent.MaxLevel = std::max(extent.MaxLevel, node.Level);
    }
    if (compositionShown && shape.Count() > 0) extent.MaxBottom += shape.Box(0).Height;
}

void LayoutNode(TVisTreeShape& shape, int node, int w, int h)
{
    shape.Box(node).ResizeTo(w, h);
    const std::vector<int> children = shape.Children(node);
    for (int child : children) LayoutNode(shape, child, w, h);
    int y = 0;
    const int previous = shape.PreviousLeaf(node);
    if (previous >= 0) y = shape.Box(previous).Top + h + shape.Box(previous).Extra;
    if (!children.empty()) {
        const int first = shape.Box(shape.FirstLeaf(node)).Top;
        const int last = shape.Box(shape.LastLeaf(node)).Top;
        y = TruncToInt((last + h - first) * 0.5 - h * 0.5 + y);
    }
    shape.Box(node).MoveTo((shape.Nodes[node].Level - 1) * (w + ColumnGap), y);
}

bool Layout(TVisTreeShape& shape, TVisTreeExtent& extent, int clientWidth, int clientHeight, float aspectRatio,
            bool compositionShown, bool keepSize)
{
    if (shape.Count() == 0) return false;
    if (!(aspectRatio > 0.0f) || !std::isfinite(aspectRatio)) aspectRatio = 1.5f;
    if (keepSize || !shape.Box(0).CanShrink()) {
        LayoutNode(shape, 0, shape.Box(0).Width, shape.Box(0).Height);
        return false;
    }
    MeasureExtent(shape, compositionShown, extent);
    const int w = clientWidth / std::max(extent.MaxLevel, 1) - ColumnGap;
    const float height = static_cast<float>(w) / aspectRatio;
    LayoutNode(shape, 0, w, TruncToInt(height));
    MeasureExtent(shape, compositionShown, extent);
    const int used = extent.MaxBottom - extent.MinTop;
    if (used > clientHeight) {
        const float s = static_cast<float>(clientHeight) / static_cast<float>(used);
        LayoutNode(shape, 0, TruncToInt(static_cast<float>(w) * s), TruncToInt(height * s));
    }
    return true;
}

void CentringShift(const TVisTreeBox& focus, int clientWidth, int clientHeight, int& dx, int& dy)
{
    dx = TruncToInt(-(focus.Left - (clientWidth - focus.Width) * 0.5));
    dy = TruncToInt(-(focus.Top - (clientHeight - focus.Height) * 0.5));
}

int ZoomAnchor(const TVisTreeShape& shape, int x, int y)
{
    int anchor = -1;
    double nearest = 1000.0;
    for (int i = 0; i < shape.Count(); ++i) {
        const double distance = std::hypot(static_cast<double>(shape.Box(i).Left) - x, static_cast<double>(shape.Box(i).Top) - y);
        if (distance < nearest) {
            nearest = distance;
            anchor = i;
        }
    }
    return anchor < 0 ? 0 : anchor;
}

namespace {
// The move of a box along one axis: (factor − 1) times its size per box slot between it and
// the anchor. Slots are counted at a pitch of size + 30, halves rounded to even.
int ZoomShift(int position, int size, int anchor, float factor)
{
    if (factor == 1.0f || position == anchor) return 0;
    const double pitch = static_cast<double>(size) + ColumnGap;
    if (pitch == 0.0) return 0;
    double k;
    if (position > anchor)
        k = std::nearbyint(static_cast<double>(std::abs(anchor - (position + size))) / pitch - 1.0);
    else
        k = std::nearbyint(static_cast<double>(std::abs(anchor - position)) / pitch);
    const bool away = (position > anchor) == (factor > 1.0f);
    const double step = std::fabs(1.0 - static_cast<double>(factor)) * size;
    return TruncToInt(step * (away ? k : -k));
}
} // namespace

bool Zoom(TVisTreeShape& shape, int x, int y, float f, float g)
{
    if (shape.Count() == 0) return false;
    const TVisTreeBox& root = shape.Box(0);
    if ((f > 1.0f && !root.CanGrow()) || (f < 1.0f && !root.CanShrink())) return false;
    const int anchor = ZoomAnchor(shape, x, y);
    const int ax = shape.Box(anchor).Left;
    const int ay = shape.Box(anchor).Top;
    for (TVisTreeShapeNode& node : shape.Nodes) {
        TVisTreeBox& box = node.Box;
        box.MoveBy(ZoomShift(box.Left, box.Width, ax, f), ZoomShift(box.Top, box.Height, ay, g));
        box.ScaleBy(f, g);
    }
    return true;
}

TVisTreeLink Link(const TVisTreeBox& parent, const TVisTreeBox& child)
{
    TVisTreeLink link;
    link.ChildX = child.Left;
    link.ChildY = TruncToInt(child.Top + child.Height * 0.5);
    link.ParentX = parent.Right();
    link.ParentY = TruncToInt(parent.Top + parent.Height * 0.5);
    // The middle of the line. Taken from both ends, it stays on the line also when the
    // child starts right at the parent's edge (no horizontal extent) or left of it.
    const double mx = link.ParentX + (link.ChildX - link.ParentX) * 0.5;
    const double my = link.ParentY + (link.ChildY - link.ParentY) * 0.5;
    link.InnerLeft = TruncToInt(mx - InnerMarkerSize / 2);
    link.InnerTop = TruncToInt(my - InnerMarkerSize / 2);
    return link;
}

TVisTreeBox CompositionBox(const TVisTreeBox& member, const TVisTreeBox& parent, const TVisTreeBox& below)
{
    TVisTreeBox box;
    box.Width = member.Width;
    box.Height = member.Height;
    box.Left = TruncToInt((parent.Left + parent.Width + member.Left) * 0.5 - member.Width * 0.5);
    box.Top = below.Top + below.Height;
    return box;
}

} // namespace VisTreeGeometry

// ---- TVisTreeMarker -----------------------------------------------------------------------------

TVisTreeMarker::TVisTreeMarker(int diameter, QColor brush, QWidget* parent) : QWidget(parent), Brush(brush)
{
    setFixedSize(diameter, diameter);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
    hide();
}

void TVisTreeMarker::SetBrushColor(QColor color)
{
    Brush = color;
    update();
}

void TVisTreeMarker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Brush);
    painter.drawEllipse(0, 0, width() - 1, height() - 1);
}

void TVisTreeMarker::mousePressEvent(QMouseEvent* event)
{
    // Other buttons pass on to the canvas (the right one opens its menu).
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    if (OnMouseDown) OnMouseDown();
}

// ---- TVisTreeNode -----------------------------------------------------------------------------

TVisTreeNode::TVisTreeNode(std::unique_ptr<TFormVisWorkspace> workspace, TVisTreeNode* parent, QWidget* markerParent)
    : Parent(parent), Workspace(std::move(workspace)), Level(parent ? parent->Level + 1 : 1)
{
    if (!parent || !markerParent) return;
    // The outer circle first, so that the inner dot lies on top of it.
    OuterMarker = std::make_unique<TVisTreeMarker>(VisTreeGeometry::OuterMarkerSize, Qt::white, markerParent);
    InnerMarker = std::make_unique<TVisTreeMarker>(VisTreeGeometry::InnerMarkerSize, Qt::black, markerParent);
    OuterMarker->setObjectName(QStringLiteral("OuterMarker"));
    InnerMarker->setObjectName(QStringLiteral("InnerMarker"));
    OuterMarker->OnMouseDown = [this] { ToggleComposition(); };
    InnerMarker->OnMouseDown = [this] { ToggleComposition(); };
}

TVisTreeNode::~TVisTreeNode()
{
    // Children first, iteratively along the sibling chain.
    while (FirstChild) FirstChild = std::move(FirstChild->NextSibling);
}

TVisTreeNode* TVisTreeNode::LastChild() const
{
    TVisTreeNode* child = FirstChild.get();
    while (child && child->NextSibling) child = child->NextSibling.get();
    return child;
}

void TVisTreeNode::ToggleComposition()
{
    InComposition = !InComposition;
    if (OuterMarker) {
        OuterMarker->SetBrushColor(InComposition ? CompositionGreen : QColor(Qt::white));
        OuterMarker->repaint();
    }
    if (TrackCompositionFunction) TrackCompositionFunction();
}

// ---- TVisTreeCompositionNode ------------------------------------------------------------------

int TVisTreeCompositionNode::IndexOf(const TVisTreeNode* node) const
{
    const auto found = std::find(Members.begin(), Members.end(), node);
    return found == Members.end() ? -1 : static_cast<int>(found - Members.begin());
}

// ---- TVisTree ---------------------------------------------------------------------------------

TVisTree::TVisTree(std::unique_ptr<TFormVisWorkspace> rootWorkspace, TFormVisualizationTree* mainWindow)
    : Root(std::make_unique<TVisTreeNode>(std::move(rootWorkspace), nullptr, nullptr)), MainWindow(mainWindow)
{
    Root->TrackCompositionFunction = [this] { UpdateCompositions(); };
}

TVisTree::~TVisTree()
{
    // Composition workspaces go first; they refer to no member after loading.
    for (int level = 0; level < TVisTreeListOfCompositionNodes::Size; ++level) {
        TVisTreeCompositionNode* composition = CompositionsValue.Item(level);
        composition->Workspace.reset();
        composition->Members.clear();
    }
    Root.reset();
}

TFormVisWorkspace* TVisTree::RootWorkspace() const { return Root ? Root->Workspace.get() : nullptr; }

QWidget* TVisTree::MarkerParent() const { return MainWindow ? MainWindow->CanvasWidget() : nullptr; }

std::vector<TVisTreeNode*> TVisTree::Nodes() const
{
    std::vector<TVisTreeNode*> nodes;
    std::vector<TVisTreeNode*> pending;
    if (Root) pending.push_back(Root.get());
    while (!pending.empty()) {
        TVisTreeNode* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        std::vector<TVisTreeNode*> children;
        for (TVisTreeNode* child = node->FirstChild.get(); child; child = child->NextSibling.get()) children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return nodes;
}

TVisTreeNode* TVisTree::FindNode(const TFormVisWorkspace* workspace, TVisTreeNode* startNode) const
{
    if (!workspace || !startNode) return nullptr;
    if (startNode->Workspace && startNode->Workspace->Identifier() == workspace->Identifier()) return startNode;
    for (TVisTreeNode* child = startNode->FirstChild.get(); child; child = child->NextSibling.get())
        if (TVisTreeNode* found = FindNode(workspace, child)) return found;
    return nullptr;
}

bool TVisTree::AnyCompositionShown() const
{
    for (int level = 0; level < TVisTreeListOfCompositionNodes::Size; ++level)
        if (CompositionsValue.Item(level)->Workspace) return true;
    return false;
}

TVisTreeShape TVisTree::Snapshot(const std::vector<TVisTreeNode*>& nodes) const
{
    TVisTreeShape shape;
    shape.Nodes.reserve(nodes.size());
    for (const TVisTreeNode* node : nodes) {
        TVisTreeShapeNode entry;
        entry.Level = node->Level;
        const auto parent = std::find(nodes.begin(), nodes.end(), node->Parent);
        entry.Parent = parent == nodes.end() ? -1 : static_cast<int>(parent - nodes.begin());
        if (node->Workspace) entry.Box = BoxOf(node->Workspace.get());
        shape.Nodes.push_back(entry);
    }
    return shape;
}

void TVisTree::Apply(const TVisTreeShape& shape, const std::vector<TVisTreeNode*>& nodes)
{
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        TFormVisWorkspace* workspace = nodes[i]->Workspace.get();
        if (!workspace) continue;
        const TVisTreeBox& box = shape.Box(static_cast<int>(i));
        workspace->FitTo(box.Width, box.Height);
        workspace->MoveTo(box.Left, box.Top);
    }
}

// ---- pipelines and pruning ------------------------------------------------------------------

void TVisTree::AddPipeline(TFormVisWorkspace* parentWorkspace, std::unique_ptr<TFormVisWorkspace> childWorkspace)
{
    if (!childWorkspace) return;
    TVisTreeNode* parent = FindNode(parentWorkspace, Root.get());
    if (!parent) {
        // Composition workspaces have pipelines switched off; anything else outside the
        // tree cannot take a child either. The new workspace goes again.
        ShowMessage(TMessageKind::Warning, "Warning", "Cannot open a pipeline from this workspace");
        return;
    }
    TFormVisWorkspace* child = childWorkspace.get();
    auto node = std::make_unique<TVisTreeNode>(std::move(childWorkspace), parent, MarkerParent());
    node->TrackCompositionFunction = [this] { UpdateCompositions(); };
    const int level = node->Level;
    if (!CompositionsValue.Item(level)) {
        // Deeper than the compositions reach: the pipeline is kept, its markers only say so.
        auto refuse = [] {
            ShowMessage(TMessageKind::Warning, "Warning",
                        "Compositions reach down to pipeline level " + IntToStr(TVisTreeListOfCompositionNodes::Size - 1) +
                            " only");
        };
        if (node->InnerMarker) node->InnerMarker->OnMouseDown = refuse;
        if (node->OuterMarker) node->OuterMarker->OnMouseDown = refuse;
    }
    if (TVisTreeNode* last = parent->LastChild()) {
        node->PreviousSibling = last;
        last->NextSibling = std::move(node);
    } else {
        parent->FirstChild = std::move(node);
    }
    Relayout(child);
    child->SetLevelText("at pipeline level " + IntToStr(level));
}

void TVisTree::DestroyNode(std::unique_ptr<TVisTreeNode> node)
{
    if (!node) return;
    node->InnerMarker.reset();
    node->OuterMarker.reset();
    // A view of this workspace may be running the command that pruned it: the window is
    // hidden now and goes once control is back in the event loop.
    if (TFormVisWorkspace* workspace = node->Workspace.release()) {
        workspace->DetachActiveView(false);
        workspace->hide();
        workspace->deleteLater();
    }
}

void TVisTree::DeleteSubtree(TVisTreeNode* node)
{
    while (node->FirstChild) {
        TVisTreeNode* child = node->FirstChild.get();
        DeleteSubtree(child);
        child->InComposition = false;
        UpdateComposition(child);
        std::unique_ptr<TVisTreeNode> owned = std::move(node->FirstChild);
        node->FirstChild = std::move(owned->NextSibling);
        if (node->FirstChild) node->FirstChild->PreviousSibling = nullptr;
        DestroyNode(std::move(owned));
    }
}

namespace {
int SubtreeSize(const TVisTreeNode* node)
{
    int size = 1;
    for (const TVisTreeNode* child = node->FirstChild.get(); child; child = child->NextSibling.get()) size += SubtreeSize(child);
    return size;
}

std::string PruneQuestion(int workspaces)
{
    if (workspaces == 1) return "Remove this workspace? Pruning removes 1 workspace.";
    return "Remove this workspace and the pipelines below it? Pruning removes " + IntToStr(workspaces) + " workspaces.";
}
} // namespace

void TVisTree::PruneBranch(TFormVisWorkspace* workspace)
{
    TVisTreeNode* node = FindNode(workspace, Root.get());
    if (!node) {
        ShowMessage(TMessageKind::Warning, "Warning", "Cannot prune this workspace");
        return;
    }
    if (node == Root.get()) {
        ShowMessage(TMessageKind::Warning, "Warning", "Cannot prune root workspace");
        return;
    }
    if (!AskQuestion("Prune Branch", PruneQuestion(SubtreeSize(node)))) return;
    TVisTreeNode* parent = node->Parent;
    DeleteSubtree(node);
    std::unique_ptr<TVisTreeNode> owned;
    if (TVisTreeNode* previous = node->PreviousSibling) {
        owned = std::move(previous->NextSibling);
        previous->NextSibling = std::move(node->NextSibling);
        if (previous->NextSibling) previous->NextSibling->PreviousSibling = previous;
    } else {
        owned = std::move(parent->FirstChild);
        parent->FirstChild = std::move(node->NextSibling);
        if (parent->FirstChild) parent->FirstChild->PreviousSibling = nullptr;
    }
    node->InComposition = false;
    UpdateComposition(node);
    DestroyNode(std::move(owned));
    Relayout(parent->Workspace.get());
}

// ---- layout and drawing ---------------------------------------------------------------------

void TVisTree::Relayout(TFormVisWorkspace* focus)
{
    if (!RootWorkspace() || !MainWindow) return;
    // The layout places windows at their normal size.
    MainWindow->RestoreMaximisedWorkspaces();
    const std::vector<TVisTreeNode*> nodes = Nodes();
    TVisTreeShape shape = Snapshot(nodes);
    const bool fitted = VisTreeGeometry::Layout(shape, ExtentValue, MainWindow->ClientWidth(), MainWindow->ClientHeight(),
                                                AspectRatio, AnyCompositionShown(), NavigatedValue);
    Apply(shape, nodes);
    if (!fitted && focus) {
        int dx = 0;
        int dy = 0;
        VisTreeGeometry::CentringShift(BoxOf(focus), MainWindow->ClientWidth(), MainWindow->ClientHeight(), dx, dy);
        MoveAll(dx, dy);
    }
    Redraw();
    ForceRepaint();
}

void TVisTree::Restack(TFormVisWorkspace* keep)
{
    if (!RootWorkspace() || !MainWindow) return;
    const QPoint before = keep ? QPoint(keep->Left(), keep->Top()) : QPoint();
    const std::vector<TVisTreeNode*> nodes = Nodes();
    TVisTreeShape shape = Snapshot(nodes);
    VisTreeGeometry::Layout(shape, ExtentValue, MainWindow->ClientWidth(), MainWindow->ClientHeight(), AspectRatio,
                            AnyCompositionShown(), true);
    Apply(shape, nodes);
    if (keep && FindNode(keep, Root.get())) MoveAll(before.x() - keep->Left(), before.y() - keep->Top());
    Redraw();
    ForceRepaint();
}

void TVisTree::MoveAll(int dx, int dy)
{
    for (TVisTreeNode* node : Nodes())
        if (node->Workspace) node->Workspace->MoveBy(dx, dy);
}

void TVisTree::Redraw()
{
    if (!MainWindow) return;
    QPixmap& canvas = MainWindow->Canvas();
    if (!canvas.isNull()) {
        QPainter painter(&canvas);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawRect(canvas.rect().adjusted(0, 0, -1, -1));
    }
    for (TVisTreeNode* node : Nodes()) DrawLink(node);
    for (int level = 0; level < TVisTreeListOfCompositionNodes::Size; ++level)
        LayoutComposition(CompositionsValue.Item(level));
    MainWindow->UpdateCanvas();
    ForceRepaint();
}

void TVisTree::DrawLink(TVisTreeNode* node)
{
    if (!node->Parent || !node->Workspace || !node->Parent->Workspace) return;
    const TVisTreeLink link = VisTreeGeometry::Link(BoxOf(node->Parent->Workspace.get()), BoxOf(node->Workspace.get()));
    QPixmap& canvas = MainWindow->Canvas();
    if (!canvas.isNull()) {
        QPainter painter(&canvas);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(link.ChildX, link.ChildY, link.ParentX, link.ParentY);
    }
    if (node->OuterMarker && node->InnerMarker) {
        node->InnerMarker->move(link.InnerLeft, link.InnerTop);
        node->OuterMarker->move(link.InnerLeft - 4, link.InnerTop - 4);
        node->OuterMarker->show();
        node->InnerMarker->show();
        node->OuterMarker->raise();
        node->InnerMarker->raise();
    }
}

void TVisTree::ForceRepaint()
{
    if (!MainWindow) return;
    MainWindow->MdiArea()->update();
    MainWindow->MdiArea()->viewport()->update();
}

void TVisTree::Translate(int dx, int dy)
{
    if (!RootWorkspace()) return;
    NavigatedValue = true;
    MoveAll(dx, dy);
    Redraw();
}

void TVisTree::ZoomAt(int x, int y, float horizontalFactor, float verticalFactor)
{
    if (!RootWorkspace()) return;
    const std::vector<TVisTreeNode*> nodes = Nodes();
    TVisTreeShape shape = Snapshot(nodes);
    if (!VisTreeGeometry::Zoom(shape, x, y, horizontalFactor, verticalFactor)) return;
    NavigatedValue = true;
    Apply(shape, nodes);
    Redraw();
}

void TVisTree::InstantZoom(int x, int y)
{
    for (TVisTreeNode* node : Nodes())
        if (node->Workspace) node->Workspace->DetachActiveView(node->Workspace->ContainsPoint(x, y));
    for (int level = 0; level < TVisTreeListOfCompositionNodes::Size; ++level)
        if (TFormVisWorkspace* workspace = CompositionsValue.Item(level)->Workspace.get())
            workspace->DetachActiveView(workspace->ContainsPoint(x, y));
}

// ---- compositions ---------------------------------------------------------------------------

void TVisTree::UpdateCompositions()
{
    // Only this round's change is brought into view.
    CompositionsValue.FocusWorkspace = nullptr;
    for (TVisTreeNode* node : Nodes()) UpdateComposition(node);
    Relayout(nullptr);
    Relayout(CompositionsValue.FocusWorkspace.data());
}

void TVisTree::UpdateComposition(TVisTreeNode* node)
{
    TVisTreeCompositionNode* composition = CompositionsValue.Item(node->Level);
    if (!composition || !node->Workspace) return;
    if (node->InComposition) {
        if (AddMember(composition, node)) CompositionsValue.FocusWorkspace = composition->Workspace.get();
    } else if (RemoveMember(composition, node)) {
        if (composition->Count() == 0)
            CompositionsValue.FocusWorkspace = node->Parent ? node->Parent->Workspace.get() : nullptr;
        else
            CompositionsValue.FocusWorkspace = composition->Workspace.get();
    }
}

void TVisTree::RebuildComposition(TVisTreeCompositionNode* composition, const TVisTreeNode* node)
{
    composition->Workspace.reset();
    auto workspace = std::make_unique<TFormVisWorkspace>(node->Workspace->MainWindow());
    workspace->SetPipelineAllowed(false);
    workspace->LoadFromComposition(composition);
    const int parentLevel = node->Parent ? node->Parent->Level : node->Level - 1;
    workspace->SetLevelText("at composition interlevel " + IntToStr(parentLevel) + "-" + IntToStr(node->Level));
    composition->Workspace = std::move(workspace);
}

bool TVisTree::AddMember(TVisTreeCompositionNode* composition, TVisTreeNode* node)
{
    const std::string& identifier = node->Workspace->Identifier();
    for (const TVisTreeNode* member : composition->Members)
        if (member->Workspace->Identifier() == identifier) return false;
    composition->Members.push_back(node);
    RebuildComposition(composition, node);
    const int index = composition->Count() - 1;
    if (composition->TopIndex < 0 || composition->TopIndex >= composition->Count())
        composition->TopIndex = index;
    else if (node->Workspace->Top() < composition->Member(composition->TopIndex)->Workspace->Top())
        composition->TopIndex = index;
    return true;
}

bool TVisTree::RemoveMember(TVisTreeCompositionNode* composition, TVisTreeNode* node)
{
    const std::string& identifier = node->Workspace->Identifier();
    const auto found = std::find_if(composition->Members.begin(), composition->Members.end(),
                                    [&](const TVisTreeNode* member) { return member->Workspace->Identifier() == identifier; });
    if (found == composition->Members.end()) return false;
    composition->Members.erase(found);
    if (!composition->Workspace) return true;
    composition->Workspace.reset();
    if (composition->Count() == 0) {
        // The next first member starts the count again.
        composition->TopIndex = 0;
        return true;
    }
    RebuildComposition(composition, node);
    composition->TopIndex = 0;
    for (int i = 1; i < composition->Count(); ++i)
        if (composition->Member(i)->Workspace->Top() < composition->Member(composition->TopIndex)->Workspace->Top())
            composition->TopIndex = i;
    return true;
}

void TVisTree::LayoutComposition(TVisTreeCompositionNode* composition)
{
    if (!composition || composition->Count() == 0 || !composition->Workspace) return;
    const int top = std::clamp(composition->TopIndex, 0, composition->Count() - 1);
    const TVisTreeNode* member = composition->Member(top);
    if (!member->Parent || !member->Workspace || !member->Parent->Workspace) return;
    const TVisTreeNode* below = Root.get();
    for (int step = 0; step < member->Level && below->FirstChild; ++step) below = below->LastChild();
    const TVisTreeBox box = VisTreeGeometry::CompositionBox(BoxOf(member->Workspace.get()), BoxOf(member->Parent->Workspace.get()),
                                                            BoxOf(below->Workspace.get()));
    TFormVisWorkspace* workspace = composition->Workspace.get();
    workspace->FitTo(box.Width, box.Height);
    workspace->MoveTo(box.Left, box.Top);

    const TVisTreeNode* last = composition->Member(composition->Count() - 1);
    QPixmap& canvas = MainWindow->Canvas();
    if (canvas.isNull() || !member->InnerMarker || !last->InnerMarker) return;
    const int half = VisTreeGeometry::InnerMarkerSize / 2;
    QPainter painter(&canvas);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(member->InnerMarker->x() + half, member->InnerMarker->y() + half, last->InnerMarker->x() + half,
                     workspace->Top());
}
