// The exploration tree on the main window: pipelines with their records and labels,
// links and markers on the canvas, compositions, pruning and its warnings, translate,
// zoom and instant zoom driven as the main window drives them.
#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QApplication>

#include <cmath>
#include <fstream>

#include <gtest/gtest.h>

#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "app/VisTree.h"
#include "data/PreProcessedData.h"
#include "tests/support/MessageRecorder.h"
#include "vis/SelectionsController.h"
#include "vis/SelectionsList.h"
#include "vis/Selectioner.h"
#include "vis/VisualizationPanel.h"

namespace {

class VisTreeWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Main = std::make_unique<TFormVisualizationTree>();
        Main->setWindowState(Qt::WindowNoState);
        Main->resize(1000, 700);
        Main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Main.get()));
        // A client area of 1000 × 700 under the menu bar.
        Main->resize(1000, 700 + Main->menuBar()->height());
        ASSERT_TRUE(QTest::qWaitFor([this] { return Main->ClientHeight() == 700; }));
        ASSERT_EQ(Main->ClientWidth(), 1000);
        ASSERT_EQ(Main->ClientHeight(), 700);
        // a = 1 … 6 normalises to 0, 0.2, … 1.
        const std::string path = Folder.filePath(QStringLiteral("six.lumet")).toStdString();
        std::ofstream(path) << "#a b\n1 10\n2 20\n3 30\n4 40\n5 50\n6 60\n";
        Main->findChild<QLineEdit*>(QStringLiteral("EditTextFile"))->setText(QString::fromStdString(path));
        Main->ButtonGoTextFileClick();
        Tree = Main->VisTree();
        ASSERT_NE(Tree, nullptr);
        Root = Tree->RootWorkspace();
    }
    void TearDown() override { Main.reset(); }

    // One selection over [min, max] (normalised) on `dimension`, replacing any others.
    static void Select(TFormVisWorkspace* workspace, int dimension, float min, float max)
    {
        TSelectionsController* controller = workspace->SelectionsController();
        controller->RemoveAllSelections();
        TSelectionsList* list = controller->GetSelectionsList(dimension);
        auto selection = std::make_unique<TSelectioner>();
        selection->Attach(workspace->Data(), dimension);
        selection->SetMaxNormalized(max);
        selection->SetMinNormalized(min);
        selection->MaxValue = workspace->Data()->Denormalise(dimension, max);
        selection->MinValue = workspace->Data()->Denormalise(dimension, min);
        list->SetFocus(list->Add(std::move(selection)));
    }

    // The pipeline the main window opens for a view of `parent`; none when nothing was added.
    TFormVisWorkspace* Pipeline(TFormVisWorkspace* parent, bool fullDomain)
    {
        const std::size_t before = Tree->Nodes().size();
        Main->OpenPipelineWorkspace(parent->SelectionsController(), parent->Data(), parent, fullDomain);
        if (Tree->Nodes().size() == before) return nullptr;
        return Tree->FindNode(parent, Tree->RootNode())->LastChild()->Workspace.get();
    }

    TVisTreeNode* Node(TFormVisWorkspace* workspace) const { return Tree->FindNode(workspace, Tree->RootNode()); }
    static QString Label(TFormVisWorkspace* workspace, const char* name)
    {
        return workspace->findChild<QLabel*>(QLatin1String(name))->text();
    }
    static QRect Geometry(const TFormVisWorkspace* workspace)
    {
        return {workspace->Left(), workspace->Top(), workspace->Width(), workspace->Height()};
    }
    // Whether the canvas has a dark pixel within 2 pixels of (x, y).
    bool CanvasDarkNear(int x, int y) const { return DarkNear(Main->Canvas().toImage(), x, y); }
    static bool DarkNear(const QImage& image, int x, int y)
    {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const QPoint p(x + dx, y + dy);
                if (image.valid(p) && qGray(image.pixel(p)) < 100) return true;
            }
        return false;
    }
    void Choose(const char* item) { Main->findChild<QAction*>(QLatin1String(item))->trigger(); }
    static void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QTemporaryDir Folder;
    std::unique_ptr<TFormVisualizationTree> Main;
    TVisTree* Tree = nullptr;
    TFormVisWorkspace* Root = nullptr;
};

TEST_F(VisTreeWindowTest, PartialAndFullDomainPipelinesHoldTheSelectedRecordsWithTheirLabels)
{
    Select(Root, 0, 0.3f, 0.7f);  // a = 3 and 4
    const std::string clause = Root->SelectionsController()->GetWhereClause();
    TFormVisWorkspace* partial = Pipeline(Root, false);
    TFormVisWorkspace* full = Pipeline(Root, true);
    ASSERT_NE(partial, nullptr);
    ASSERT_NE(full, nullptr);

    struct Case {
        TFormVisWorkspace* Workspace;
        float Low, High;
    };
    for (const Case& c : {Case{partial, 3.0f, 4.0f}, Case{full, 1.0f, 6.0f}}) {
        EXPECT_EQ(c.Workspace->Data()->RecordsNumber, 2);
        EXPECT_FLOAT_EQ(c.Workspace->Data()->GetLowValue(0), c.Low);
        EXPECT_FLOAT_EQ(c.Workspace->Data()->GetHighValue(0), c.High);
        EXPECT_EQ(Label(c.Workspace, "LabelWhereWord"), QStringLiteral("- WHERE "));
        EXPECT_FALSE(c.Workspace->findChild<QLabel*>(QStringLiteral("LabelWhereWord"))->isHidden());
        EXPECT_EQ(Label(c.Workspace, "LabelWhereClause").toStdString(), clause);
        EXPECT_EQ(Label(c.Workspace, "LabelTotal"), QStringLiteral("- Total records: 2"));
        EXPECT_EQ(Label(c.Workspace, "LabelLevel"), QStringLiteral("- at pipeline level 2"));
    }

    // Root in column 0 halfway down the second child; both children in column 1.
    EXPECT_EQ(Geometry(Root), QRect(0, 156, 470, 313));
    EXPECT_EQ(Geometry(partial), QRect(500, 0, 470, 313));
    EXPECT_EQ(Geometry(full), QRect(500, 313, 470, 313));

    // The link of the first child runs from (500, 156) to the root's edge at (470, 312),
    // its marker centred half-way.
    const TVisTreeNode* node = Node(partial);
    EXPECT_TRUE(CanvasDarkNear(485, 234));
    EXPECT_TRUE(CanvasDarkNear(475, 286));
    EXPECT_FALSE(CanvasDarkNear(485, 100));
    EXPECT_EQ(node->InnerMarker->geometry(), QRect(481, 230, 8, 8));
    EXPECT_EQ(node->OuterMarker->geometry(), QRect(477, 226, 16, 16));
    EXPECT_TRUE(node->InnerMarker->isVisible());
    // The canvas is what the main window shows under its workspaces.
    const QImage screen = Main->MdiArea()->viewport()->grab().toImage();
    EXPECT_TRUE(DarkNear(screen, 495, 182));
    EXPECT_EQ(screen.pixel(QPoint(485, 100)), qRgb(255, 255, 255));

    // A pipeline of a pipeline is one level deeper.
    Select(partial, 1, 0.0f, 1.0f);
    TFormVisWorkspace* grandchild = Pipeline(partial, false);
    ASSERT_NE(grandchild, nullptr);
    EXPECT_EQ(Label(grandchild, "LabelLevel"), QStringLiteral("- at pipeline level 3"));
    EXPECT_EQ(grandchild->Data()->RecordsNumber, 2);
    EXPECT_EQ(grandchild->Left(), 666);
}

TEST_F(VisTreeWindowTest, APipelineOfABrushWithoutRecordsSaysSoAsAWarning)
{
    Select(Root, 0, 0.05f, 0.1f);  // between the records
    for (const bool fullDomain : {false, true}) {
        TMessageRecorder messages;
        EXPECT_EQ(Pipeline(Root, fullDomain), nullptr);
        ASSERT_EQ(messages.Messages.size(), 1u) << "full domain " << fullDomain;
        EXPECT_EQ(messages.Messages[0].Kind, TMessageKind::Warning);
        EXPECT_EQ(messages.Messages[0].Title, "Warning");
        EXPECT_EQ(messages.Messages[0].Text, "No records satisfy the selections: there is nothing to pipeline");
    }
    Select(Root, 0, 0.0f, 0.5f);
    TMessageRecorder messages;
    EXPECT_NE(Pipeline(Root, false), nullptr);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(VisTreeWindowTest, ASelectionWithoutRecordsOpensNoWorkspace)
{
    const int windows = static_cast<int>(Main->MdiArea()->subWindowList().size());
    EXPECT_EQ(Pipeline(Root, false), nullptr);  // no selection at all
    Select(Root, 0, 0.05f, 0.1f);               // between the records
    EXPECT_EQ(Pipeline(Root, true), nullptr);
    FlushDeletes();
    EXPECT_EQ(static_cast<int>(Main->MdiArea()->subWindowList().size()), windows);
    EXPECT_EQ(Tree->Nodes().size(), 1u);
}

TEST_F(VisTreeWindowTest, MarkersJoinChildrenIntoACompositionOfTheirUnion)
{
    Select(Root, 0, 0.3f, 0.7f);  // a = 3, 4
    TFormVisWorkspace* first = Pipeline(Root, false);
    Select(Root, 0, 0.0f, 0.2f);  // a = 1, 2
    TFormVisWorkspace* second = Pipeline(Root, false);
    ASSERT_TRUE(first && second);
    TVisTreeNode* firstNode = Node(first);
    TVisTreeNode* secondNode = Node(second);
    TVisTreeCompositionNode* composition = Tree->Compositions().Item(2);

    QTest::mouseClick(firstNode->OuterMarker.get(), Qt::LeftButton, {}, QPoint(2, 8));
    EXPECT_TRUE(firstNode->InComposition);
    EXPECT_EQ(firstNode->OuterMarker->BrushColor(), QColor(0, 255, 0));
    ASSERT_NE(composition->Workspace, nullptr);
    EXPECT_EQ(composition->Workspace->Data()->RecordsNumber, 2);

    QTest::mouseClick(secondNode->InnerMarker.get(), Qt::LeftButton, {}, QPoint(4, 4));
    ASSERT_NE(composition->Workspace, nullptr);
    TFormVisWorkspace* union_ = composition->Workspace.get();
    EXPECT_EQ(union_->Data()->RecordsNumber, 4);
    EXPECT_FLOAT_EQ(union_->Data()->GetLowValue(0), 1.0f);
    EXPECT_FLOAT_EQ(union_->Data()->GetHighValue(0), 4.0f);
    EXPECT_EQ(Label(union_, "LabelWhereClause"), Label(first, "LabelWhereClause") + " OR " + Label(second, "LabelWhereClause"));
    EXPECT_EQ(Label(union_, "LabelTotal"), QStringLiteral("- Total records: 4"));
    EXPECT_EQ(Label(union_, "LabelLevel"), QStringLiteral("- at composition interlevel 1-2"));
    EXPECT_FALSE(union_->PipelineAllowed());
    EXPECT_EQ(Tree->FindNode(union_, Tree->RootNode()), nullptr);

    // The composition below the tree needs 939 pixels: the tree is scaled to 700 / 939 and
    // the composition sits in the gap under the first child, below the second.
    EXPECT_EQ(Geometry(first), QRect(380, 0, 350, 233));
    EXPECT_EQ(Geometry(second), QRect(380, 233, 350, 233));
    EXPECT_EQ(Geometry(union_), QRect(190, 466, 350, 233));

    // Pressing a marker again takes the child out; the composition is rebuilt without it.
    QTest::mouseClick(firstNode->OuterMarker.get(), Qt::LeftButton, {}, QPoint(2, 8));
    EXPECT_FALSE(firstNode->InComposition);
    EXPECT_EQ(firstNode->OuterMarker->BrushColor(), QColor(Qt::white));
    ASSERT_NE(composition->Workspace, nullptr);
    EXPECT_EQ(composition->Workspace->Data()->RecordsNumber, 2);
    EXPECT_EQ(composition->Members, std::vector<TVisTreeNode*>{secondNode});

    // Pruning the last member removes the composition workspace too.
    QPointer<TFormVisWorkspace> pruned = second;
    Tree->PruneBranch(second);
    EXPECT_EQ(composition->Workspace, nullptr);
    EXPECT_EQ(composition->Count(), 0);
    FlushDeletes();
    EXPECT_TRUE(pruned.isNull());
    EXPECT_EQ(Tree->Nodes().size(), 2u);
    EXPECT_EQ(Geometry(first), QRect(500, 0, 470, 313));
    EXPECT_EQ(Geometry(Root), QRect(0, 0, 470, 313));

    // A fresh composition starts from its first member again.
    QTest::mouseClick(firstNode->OuterMarker.get(), Qt::LeftButton, {}, QPoint(2, 8));
    ASSERT_NE(composition->Workspace, nullptr);
    EXPECT_EQ(composition->TopIndex, 0);
    EXPECT_EQ(composition->Workspace->Data()->RecordsNumber, 2);
}

TEST_F(VisTreeWindowTest, OverlappingMembersMakeACompositionOfTheirUnion)
{
    Select(Root, 0, 0.3f, 0.7f);  // a = 3, 4
    TFormVisWorkspace* narrow = Pipeline(Root, false);
    Select(Root, 0, 0.0f, 0.7f);  // a = 1 … 4, holding the narrow child's records too
    TFormVisWorkspace* wide = Pipeline(Root, true);
    ASSERT_TRUE(narrow && wide);
    QTest::mouseClick(Node(narrow)->OuterMarker.get(), Qt::LeftButton, {}, QPoint(2, 8));
    QTest::mouseClick(Node(wide)->OuterMarker.get(), Qt::LeftButton, {}, QPoint(2, 8));
    TFormVisWorkspace* union_ = Tree->Compositions().Item(2)->Workspace.get();
    ASSERT_NE(union_, nullptr);
    EXPECT_EQ(union_->Data()->RecordsNumber, 4);
    EXPECT_EQ(Label(union_, "LabelTotal"), QStringLiteral("- Total records: 4"));
    EXPECT_FLOAT_EQ(union_->Data()->GetLowValue(0), 1.0f);
    EXPECT_FLOAT_EQ(union_->Data()->GetHighValue(0), 4.0f);
}

TEST_F(VisTreeWindowTest, PruneBranchAsksFirstNamingHowManyWorkspacesGo)
{
    Select(Root, 0, 0.0f, 1.0f);
    TFormVisWorkspace* child = Pipeline(Root, false);
    ASSERT_NE(child, nullptr);
    Select(child, 0, 0.0f, 1.0f);
    TFormVisWorkspace* grandchild = Pipeline(child, false);
    ASSERT_NE(grandchild, nullptr);

    TMessageRecorder recorder;
    recorder.Answer = false;
    Tree->PruneBranch(child);
    FlushDeletes();
    EXPECT_EQ(Tree->Nodes().size(), 3u);
    ASSERT_EQ(recorder.Questions.size(), 1u);
    EXPECT_EQ(recorder.Questions[0].Title, "Prune Branch");
    EXPECT_EQ(recorder.Questions[0].Text,
              "Remove this workspace and the pipelines below it? Pruning removes 2 workspaces.");

    Tree->PruneBranch(grandchild);
    ASSERT_EQ(recorder.Questions.size(), 2u);
    EXPECT_EQ(recorder.Questions[1].Text, "Remove this workspace? Pruning removes 1 workspace.");
    recorder.Answer = true;
    Tree->PruneBranch(child);
    FlushDeletes();
    EXPECT_EQ(Tree->Nodes().size(), 1u);
    EXPECT_TRUE(recorder.Messages.empty());

    // The refusals come without a question.
    Tree->PruneBranch(Root);
    EXPECT_EQ(recorder.Questions.size(), 3u);
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_EQ(recorder.Messages[0].Text, "Cannot prune root workspace");
}

TEST_F(VisTreeWindowTest, PruningRootOrCompositionWarnsAndChangesNothing)
{
    Select(Root, 0, 0.0f, 1.0f);
    TFormVisWorkspace* child = Pipeline(Root, false);
    ASSERT_NE(child, nullptr);
    QTest::mouseClick(Node(child)->OuterMarker.get(), Qt::LeftButton, {}, QPoint(2, 8));
    TFormVisWorkspace* composition = Tree->Compositions().Item(2)->Workspace.get();
    ASSERT_NE(composition, nullptr);

    struct Case {
        TFormVisWorkspace* Workspace;
        const char* Message;
    };
    for (const Case& c : {Case{Root, "Cannot prune root workspace"}, Case{composition, "Cannot prune this workspace"}}) {
        TMessageRecorder recorder;
        Tree->PruneBranch(c.Workspace);
        ASSERT_EQ(recorder.Messages.size(), 1u) << c.Message;
        EXPECT_EQ(recorder.Messages[0].Kind, TMessageKind::Warning);
        EXPECT_EQ(recorder.Messages[0].Title, "Warning");
        EXPECT_EQ(recorder.Messages[0].Text, c.Message);
    }
    FlushDeletes();
    EXPECT_EQ(Tree->Nodes().size(), 2u);
    EXPECT_EQ(Tree->Compositions().Item(2)->Workspace.get(), composition);
}

TEST_F(VisTreeWindowTest, APruneAskedForByAViewLeavesItsWorkspaceUntilTheCommandHasReturned)
{
    Select(Root, 0, 0.3f, 0.7f);
    TFormVisWorkspace* child = Pipeline(Root, false);
    ASSERT_NE(child, nullptr);
    Select(child, 0, 0.0f, 1.0f);
    TFormVisWorkspace* grandchild = Pipeline(child, true);
    Select(Root, 0, 0.0f, 0.2f);
    TFormVisWorkspace* sibling = Pipeline(Root, false);
    ASSERT_TRUE(grandchild && sibling);

    child->CreateView(0);
    auto* view = child->findChild<TVisualizationPanel*>();
    ASSERT_NE(view, nullptr);
    QPointer<TFormVisWorkspace> prunedChild = child;
    QPointer<TFormVisWorkspace> prunedGrandchild = grandchild;
    QPointer<TVisualizationPanel> prunedView = view;
    view->PruneBranchClick();
    // Out of the tree and off the screen, but alive while the command unwinds.
    ASSERT_FALSE(prunedChild.isNull());
    EXPECT_FALSE(child->isVisible());
    EXPECT_EQ(Node(child), nullptr);
    EXPECT_EQ(Node(grandchild), nullptr);
    EXPECT_EQ(Tree->Nodes().size(), 2u);
    FlushDeletes();
    EXPECT_TRUE(prunedChild.isNull());
    EXPECT_TRUE(prunedGrandchild.isNull());
    EXPECT_TRUE(prunedView.isNull());
    // The deepest level seen stays: three columns of 303.
    EXPECT_EQ(Geometry(sibling), QRect(333, 0, 303, 202));
    EXPECT_EQ(Geometry(Root), QRect(0, 0, 303, 202));
    EXPECT_EQ(Node(sibling)->InnerMarker->geometry().topLeft(),
              QPoint(VisTreeGeometry::Link({0, 0, 303, 202}, {333, 0, 303, 202}).InnerLeft,
                     VisTreeGeometry::Link({0, 0, 303, 202}, {333, 0, 303, 202}).InnerTop));
}

TEST_F(VisTreeWindowTest, PipelinesFromAViewMenuJoinTheTree)
{
    Root->CreateView(0);
    auto* view = Root->findChild<TVisualizationPanel*>();
    ASSERT_NE(view, nullptr);
    Select(Root, 0, 0.3f, 0.7f);
    view->PipelinePartialDomainClick();
    view->PipelineFullDomainClick();
    ASSERT_EQ(Tree->Nodes().size(), 3u);
    const TVisTreeNode* first = Tree->RootNode()->FirstChild.get();
    EXPECT_FLOAT_EQ(first->Workspace->Data()->GetLowValue(0), 3.0f);
    EXPECT_FLOAT_EQ(first->NextSibling->Workspace->Data()->GetLowValue(0), 1.0f);
}

TEST_F(VisTreeWindowTest, TranslateAndZoomMoveTheBoxesTheLinksAndTheMarkers)
{
    Select(Root, 0, 0.3f, 0.7f);
    TFormVisWorkspace* first = Pipeline(Root, false);
    TFormVisWorkspace* second = Pipeline(Root, true);
    ASSERT_TRUE(first && second);
    const TVisTreeNode* firstNode = Node(first);

    // A translate drag on the canvas, continued over a workspace.
    Choose("MenuItemTranslate");
    Main->FormMouseDown(Qt::LeftButton, Qt::LeftButton, {}, 600, 650);
    Main->FormMouseMove(Qt::LeftButton, {}, 640, 675);
    EXPECT_EQ(Geometry(Root), QRect(40, 181, 470, 313));
    EXPECT_EQ(Geometry(first), QRect(540, 25, 470, 313));
    EXPECT_EQ(firstNode->InnerMarker->geometry(), QRect(521, 255, 8, 8));
    EXPECT_TRUE(CanvasDarkNear(525, 259));
    EXPECT_FALSE(CanvasDarkNear(485, 234));
    first->FormMouseMove(Qt::LeftButton, {}, 650 - first->Left(), 680 - first->Top());
    EXPECT_EQ(Geometry(Root), QRect(50, 186, 470, 313));
    Main->FormMouseUp(Qt::LeftButton, {}, {}, 650, 680);
    Main->FormMouseMove({}, {}, 700, 700);
    EXPECT_EQ(Geometry(Root), QRect(50, 186, 470, 313));

    // Zoom in at the second child's corner: it keeps its corner and grows by 10 %.
    Choose("MenuItemZoomIn");
    const QPoint corner(second->Left(), second->Top());
    QTest::mouseClick(Main->MdiArea()->viewport(), Qt::LeftButton, {}, corner);
    EXPECT_EQ(Geometry(second), QRect(corner, QSize(517, 344)));
    EXPECT_EQ(Geometry(first), QRect(550, -1, 517, 344));  // one slot above: 31 up
    const TVisTreeLink link = VisTreeGeometry::Link({Root->Left(), Root->Top(), Root->Width(), Root->Height()},
                                                    {first->Left(), first->Top(), first->Width(), first->Height()});
    EXPECT_EQ(firstNode->InnerMarker->pos(), QPoint(link.InnerLeft, link.InnerTop));
    EXPECT_TRUE(CanvasDarkNear(link.InnerLeft + 4, link.InnerTop + 4));

    // Zoom out until the root is at its minimum size; then it stops changing anything.
    Choose("MenuItemZoomOut");
    for (int i = 0; i < 40 && Root->CanShrink(); ++i) Main->FormMouseDown(Qt::LeftButton, Qt::LeftButton, {}, 50, 190);
    ASSERT_FALSE(Root->CanShrink());
    const QRect smallest = Geometry(Root);
    Main->FormMouseDown(Qt::LeftButton, Qt::LeftButton, {}, 50, 190);
    EXPECT_EQ(Geometry(Root), smallest);

    // At the minimum size a new pipeline keeps the sizes and is centred in the window.
    TFormVisWorkspace* third = Pipeline(Root, false);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->Width(), smallest.width());
    EXPECT_EQ(third->Height(), smallest.height());
    EXPECT_LE(std::abs(third->Left() + third->Width() / 2 - 500), 1);
    EXPECT_LE(std::abs(third->Top() + third->Height() / 2 - 350), 1);
}

TEST_F(VisTreeWindowTest, InstantZoomDetachesTheViewUnderTheMouseOnly)
{
    Select(Root, 0, 0.0f, 1.0f);
    TFormVisWorkspace* child = Pipeline(Root, false);
    ASSERT_NE(child, nullptr);
    Root->CreateView(0);
    child->CreateView(0);
    Choose("MenuItemInstantZoom");
    const QPoint inRoot(Root->Left() + 20, Root->Top() + 20);
    Main->FormMouseMove({}, {}, inRoot.x(), inRoot.y());
    EXPECT_TRUE(Root->IsViewDetached());
    EXPECT_FALSE(child->IsViewDetached());
    Main->FormMouseMove({}, {}, child->Left() + 5, child->Top() + 5);
    EXPECT_FALSE(Root->IsViewDetached());
    EXPECT_TRUE(child->IsViewDetached());
    Main->FormMouseMove({}, {}, 990, 690);
    EXPECT_FALSE(child->IsViewDetached());
}

TEST_F(VisTreeWindowTest, QuitWithAViewPoppedOutEndsTheEventLoop)
{
    Root->CreateView(0);
    Choose("MenuItemInstantZoom");
    Main->FormMouseMove({}, {}, Root->Left() + 20, Root->Top() + 20);
    ASSERT_TRUE(Root->IsViewDetached());
    ASSERT_TRUE(QApplication::quitOnLastWindowClosed());
    // The event loop of the program: Quit must end it, with the pop-out window still up.
    bool quitReached = false;
    QTimer::singleShot(0, Main.get(), [this] { Choose("MenuItemQuit"); });
    QTimer::singleShot(0, Main.get(), [&quitReached] { quitReached = true; });
    QTimer guard;  // a stuck loop fails the test instead of hanging it
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(quitReached);
    EXPECT_FALSE(Main->isVisible());
}

// An opened label panel pushes the boxes below it down instead of covering them; a new
// pipeline and a zoom keep it open, and the layout goes on around it.
TEST_F(VisTreeWindowTest, OpenLabelPanelsStayOpenAndTheBoxesBelowMakeRoomForThem)
{
    Select(Root, 0, 0.3f, 0.7f);
    TFormVisWorkspace* first = Pipeline(Root, false);
    TFormVisWorkspace* second = Pipeline(Root, true);
    ASSERT_TRUE(first && second);
    const QRect before = Geometry(first);
    first->findChild<QPushButton*>(QStringLiteral("ButtonLowerDetails"))->click();
    ASSERT_TRUE(first->LowerDetailsShown());
    EXPECT_EQ(Geometry(first).topLeft(), before.topLeft());  // the opened one stays put
    EXPECT_GT(first->Height(), before.height());
    EXPECT_GE(second->Top(), first->Top() + first->Height()) << "the panel covers the box below";

    TFormVisWorkspace* third = Pipeline(Root, false);
    ASSERT_NE(third, nullptr);
    EXPECT_TRUE(first->LowerDetailsShown());
    EXPECT_GE(second->Top(), first->Top() + first->Height());
    EXPECT_GE(third->Top(), second->Top() + second->Height());

    Choose("MenuItemZoomOut");
    Main->FormMouseDown(Qt::LeftButton, Qt::LeftButton, {}, Root->Left(), Root->Top());
    EXPECT_TRUE(first->LowerDetailsShown());
}

// A zoom out lasts: the next pipeline lays the tree out at the zoomed size, not fitted to
// the window again, and brings the new workspace into view.
TEST_F(VisTreeWindowTest, ANewPipelineKeepsTheZoom)
{
    Select(Root, 0, 0.3f, 0.7f);
    TFormVisWorkspace* first = Pipeline(Root, false);
    ASSERT_NE(first, nullptr);
    const int fittedWidth = first->Width();
    Choose("MenuItemZoomOut");
    Main->FormMouseDown(Qt::LeftButton, Qt::LeftButton, {}, Root->Left(), Root->Top());
    Main->FormMouseDown(Qt::LeftButton, Qt::LeftButton, {}, Root->Left(), Root->Top());
    const QSize zoomed = Root->size();
    ASSERT_LT(zoomed.width(), fittedWidth);
    ASSERT_TRUE(Root->CanShrink());
    TFormVisWorkspace* second = Pipeline(Root, true);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Root->size(), zoomed);
    EXPECT_EQ(first->size(), zoomed);
    EXPECT_EQ(second->size(), zoomed);
    EXPECT_TRUE(Main->MdiArea()->viewport()->rect().contains(Geometry(second)));
}

// The zoomed view's window stays on the screen, whatever the workspace's proportions.
TEST(DetachedGeometry, TheWindowStaysAboveTheBottomOfTheScreenWithTheWorkspacesProportions)
{
    const QRect screen(0, 0, 1600, 1000);
    struct TCase {
        QRect Main;
        QSize Workspace;
    } cases[] = {
        {{0, 40, 1600, 960}, {338, 200}},     // fits as it is
        {{0, 40, 1600, 960}, {1280, 853}},    // too tall: shrunk, proportions kept
        {{100, 100, 800, 600}, {400, 390}},   // as tall as wide: shrunk
    };
    for (const TCase& c : cases) {
        const QRect r = TFormVisWorkspace::DetachedGeometry(c.Main, c.Workspace, screen);
        EXPECT_LE(r.y() + r.height(), screen.height()) << r.y() << " " << r.height();
        EXPECT_EQ(r.y(), c.Main.y() + 40);
        EXPECT_NEAR(double(r.height()) / r.width(), double(c.Workspace.height()) / c.Workspace.width(), 0.01);
        EXPECT_NEAR(r.x() + r.width() / 2.0, c.Main.x() + c.Main.width() / 2.0, 1.0);
    }
    EXPECT_EQ(TFormVisWorkspace::DetachedGeometry({0, 40, 1600, 960}, {338, 200}, screen), QRect(80, 80, 1440, 852));
}

// Maximised, a workspace and its view fill the window's area; a pipeline made meanwhile
// takes its place in the tree (the maximised one comes back first), and a restored
// workspace is where the tree put it, with its link.
TEST_F(VisTreeWindowTest, AMaximisedWorkspaceFillsTheAreaAndTheTreeStaysConsistent)
{
    Root->CreateView(0);
    const QRect normal = Geometry(Root);
    Root->showMaximized();
    QCoreApplication::processEvents();
    const QRect area = Main->MdiArea()->viewport()->rect();
    EXPECT_EQ(Root->size(), area.size());
    QWidget* view = Root->ActiveView();
    ASSERT_NE(view, nullptr);
    EXPECT_GE(view->width(), area.width() - 40);
    EXPECT_GE(view->height(), area.height() - 60);
    // Opened details take their room from the view: everything stays inside the window.
    Root->findChild<QPushButton*>(QStringLiteral("ButtonUpperDetails"))->click();
    Root->findChild<QPushButton*>(QStringLiteral("ButtonLowerDetails"))->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(Root->size(), area.size());
    const QWidget* labels = Root->findChild<QWidget*>(QStringLiteral("PanelLabel"));
    ASSERT_TRUE(labels->isVisible());
    EXPECT_LE(labels->mapTo(Root, QPoint(0, labels->height())).y(), Root->height());
    EXPECT_LE(view->mapTo(Root, QPoint(0, view->height())).y(), labels->mapTo(Root, QPoint(0, 0)).y());
    EXPECT_GE(view->height(), area.height() - 60 - labels->height() - 45);
    Root->findChild<QPushButton*>(QStringLiteral("ButtonUpperDetails"))->click();
    Root->findChild<QPushButton*>(QStringLiteral("ButtonLowerDetails"))->click();
    Root->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(Geometry(Root), normal);
    EXPECT_EQ(Root->maximumWidth(), 800);

    Root->MoveTo(37, 41);  // a normal place of its own, away from where the layout puts it
    Root->showMaximized();
    QCoreApplication::processEvents();
    Select(Root, 0, 0.3f, 0.7f);
    // Asked for by the maximised workspace's own view, as its popup menu does.
    auto* panel = qobject_cast<TVisualizationPanel*>(Root->ActiveView());
    ASSERT_NE(panel, nullptr);
    panel->PipelinePartialDomainClick();
    ASSERT_EQ(Tree->Nodes().size(), 2u);
    TFormVisWorkspace* child = Node(Root)->FirstChild->Workspace.get();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Root->isMaximized());
    EXPECT_FALSE(child->isMaximized());
    EXPECT_EQ(Root->size(), child->size());
    EXPECT_EQ(Root->Left(), 0);
    const TVisTreeLink link = VisTreeGeometry::Link({Root->Left(), Root->Top(), Root->Width(), Root->Height()},
                                                    {child->Left(), child->Top(), child->Width(), child->Height()});
    EXPECT_EQ(Node(child)->InnerMarker->pos(), QPoint(link.InnerLeft, link.InnerTop));
    EXPECT_EQ(child->Left(), Root->Left() + Root->Width() + VisTreeGeometry::ColumnGap);

    const QRect childPlace = Geometry(child);
    child->showMaximized();
    QCoreApplication::processEvents();
    child->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(Geometry(child), childPlace);
    EXPECT_EQ(Node(child)->InnerMarker->pos(), QPoint(link.InnerLeft, link.InnerTop));
}

TEST_F(VisTreeWindowTest, PipelinesDeeperThanTheCompositionsReachKeepTheirMarkersInert)
{
    TFormVisWorkspace* parent = Root;
    for (int level = 2; level <= TVisTreeListOfCompositionNodes::Size; ++level) {
        Select(parent, 0, 0.0f, 1.0f);
        parent = Pipeline(parent, true);
        ASSERT_NE(parent, nullptr) << level;
    }
    EXPECT_EQ(Label(parent, "LabelLevel"), QStringLiteral("- at pipeline level 100"));
    TMessageRecorder recorder;
    QTest::mouseClick(Node(parent)->OuterMarker.get(), Qt::LeftButton, {}, QPoint(2, 8));
    EXPECT_FALSE(Node(parent)->InComposition);
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_EQ(recorder.Messages[0].Title, "Warning");
    EXPECT_EQ(recorder.Messages[0].Text, "Compositions reach down to pipeline level 99 only");
}

} // namespace
