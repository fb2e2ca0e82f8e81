// The workspace window without views: construction, size constraints and geometry for the
// tree, the details layouts, the label panel, the level texts, identifiers, comment.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QWheelEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "data/PreProcessedData.h"
#include "tests/support/MessageRecorder.h"
#include "vis/SelectionsController.h"

namespace {

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Main = std::make_unique<TFormVisualizationTree>();
        Main->setWindowState(Qt::WindowNoState);
        Main->resize(1000, 700);
        Main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Main.get()));
        ASSERT_EQ(Main->ClientWidth(), 1000);
        Workspace = std::make_unique<TFormVisWorkspace>(Main.get());
    }
    void TearDown() override
    {
        Workspace.reset();
        Main.reset();
    }

    template <class T>
    T* Find(const char* name) const
    {
        T* widget = Workspace->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    int Bottom(const char* name) const
    {
        const QWidget* widget = Find<QWidget>(name);
        return widget->y() + widget->height();
    }
    QString Text(const char* name) const { return Find<QLabel>(name)->text(); }

    std::unique_ptr<TFormVisualizationTree> Main;
    std::unique_ptr<TFormVisWorkspace> Workspace;
};

TEST_F(WorkspaceTest, NewWorkspaceHasNoTabsNoCloseBoxAndTheTechniquesInOrder)
{
    EXPECT_EQ(Workspace->windowTitle(), QStringLiteral("Visualization Workspace"));
    EXPECT_TRUE(Main->MdiArea()->subWindowList().contains(Workspace.get()));
    auto* pages = Find<QTabWidget>("PageControlVisualizations");
    ASSERT_EQ(pages->count(), TFormVisWorkspace::TabSheetCount);
    for (int i = 0; i < pages->count(); ++i) EXPECT_FALSE(pages->isTabVisible(i)) << i;
    EXPECT_EQ(Workspace->ActivePageIndex(), -1);
    EXPECT_EQ(Find<QLabel>("LabelLevel")->text(), QStringLiteral("- "));
    auto* panel = Find<QWidget>("PanelLabel");
    EXPECT_EQ(panel->palette().color(panel->backgroundRole()), QColor(Qt::white));

    auto* combo = Find<QComboBox>("ComboBoxVisualizations");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    EXPECT_EQ(items, (QStringList{"Parallel Coordinates", "Fastmap Projection", "Scatter Plots", "Star Coordinates",
                                  "Table Lens"}));
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(Find<QPushButton>("ButtonGoVis")->text(), QStringLiteral("Vis->"));
    EXPECT_EQ(Workspace->Height(), 200);
    EXPECT_EQ(Workspace->Width(), 338);

    EXPECT_FALSE(Workspace->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(Workspace->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(Workspace->windowFlags() & Qt::WindowMinimizeButtonHint);
    Workspace->close();
    EXPECT_TRUE(Workspace->isVisible());
    EXPECT_TRUE(Main->MdiArea()->subWindowList().contains(Workspace.get()));
}

TEST(TechniqueIndex, MatchesTheItemTextsInOrder)
{
    const std::pair<const char*, int> cases[] = {
        {"Parallel Coordinates", 0}, {"Scatter Plots", 1}, {"Star Coordinates", 2}, {"Table Lens", 3},
        {"Fastmap Projection", 4},   {"", -1},             {"parallel", -1},        {"Star Table", 2},
    };
    for (const auto& [text, index] : cases) EXPECT_EQ(TFormVisWorkspace::TechniqueIndex(QLatin1String(text)), index) << text;
}

TEST_F(WorkspaceTest, DetailsButtonsToggleTheControlsAndTheLabelPanel)
{
    auto* upper = Find<QPushButton>("ButtonUpperDetails");
    auto* lower = Find<QPushButton>("ButtonLowerDetails");
    auto* group = Find<QGroupBox>("GroupBoxControls");
    auto* pages = Find<QTabWidget>("PageControlVisualizations");
    auto* panel = Find<QWidget>("PanelLabel");
    EXPECT_EQ(upper->text(), QStringLiteral("+"));
    EXPECT_EQ(lower->text(), QStringLiteral("+"));
    EXPECT_FALSE(Workspace->UpperDetailsShown());
    EXPECT_FALSE(Workspace->LowerDetailsShown());
    EXPECT_FALSE(group->isVisible());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(pages->y(), 1);
    const int collapsed = Workspace->Height();

    QTest::mouseClick(upper, Qt::LeftButton);
    EXPECT_EQ(upper->text(), QStringLiteral("-"));
    EXPECT_TRUE(group->isVisible());
    EXPECT_EQ(pages->y(), Bottom("GroupBoxControls"));
    EXPECT_EQ(Workspace->Height(), collapsed + Bottom("GroupBoxControls") - 1);
    EXPECT_EQ(Bottom("ButtonLowerDetails"), Bottom("PageControlVisualizations"));

    QTest::mouseClick(lower, Qt::LeftButton);
    EXPECT_EQ(lower->text(), QStringLiteral("-"));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->y(), Bottom("PageControlVisualizations"));
    EXPECT_EQ(Workspace->Height(), Bottom("PanelLabel") + 26);

    QTest::mouseClick(lower, Qt::LeftButton);
    QTest::mouseClick(upper, Qt::LeftButton);
    EXPECT_FALSE(group->isVisible());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(Workspace->Height(), collapsed);

    QTest::mouseClick(upper, Qt::LeftButton);
    QTest::mouseClick(lower, Qt::LeftButton);
    Workspace->CollapseDetails();
    EXPECT_FALSE(group->isVisible());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(upper->text(), QStringLiteral("+"));
    EXPECT_EQ(Workspace->Height(), collapsed);
}

TEST_F(WorkspaceTest, ResizingKeepsTheControlsInPlaceAndTheComboAtMost150)
{
    auto* group = Find<QGroupBox>("GroupBoxControls");
    auto* combo = Find<QComboBox>("ComboBoxVisualizations");
    auto* go = Find<QPushButton>("ButtonGoVis");
    auto* pages = Find<QTabWidget>("PageControlVisualizations");
    auto* upper = Find<QPushButton>("ButtonUpperDetails");
    for (int width : {200, 230, 338, 500, 800}) {
        SCOPED_TRACE(width);
        Workspace->resize(width, 400);  // as the user drags the border
        EXPECT_EQ(group->width(), width - 10);
        EXPECT_EQ(go->x(), group->width() - go->width() - 5);
        EXPECT_EQ(combo->width(), std::min(group->width() - go->width() - 14, 150));
        EXPECT_LE(combo->width(), 150);
        EXPECT_EQ(pages->width(), width - upper->width() - 10);
        EXPECT_EQ(pages->height(), 400 - pages->y() - 26);
        EXPECT_EQ(upper->x(), pages->x() + pages->width() - 1);
    }
}

TEST_F(WorkspaceTest, SizeConstraintsComeFromTheMainWindowsClientWidth)
{
    // Client width 1000.
    EXPECT_EQ(Workspace->maximumWidth(), 800);
    EXPECT_EQ(Workspace->minimumWidth(), 200);
    EXPECT_EQ(Workspace->maximumHeight(), 533);
    EXPECT_EQ(Workspace->minimumHeight(), 133);
    EXPECT_TRUE(Workspace->CanGrow());
    EXPECT_TRUE(Workspace->CanShrink());

    Workspace->ResizeTo(5000, 5000);
    EXPECT_EQ(Workspace->Width(), 800);
    EXPECT_EQ(Workspace->Height(), 533);
    EXPECT_FALSE(Workspace->CanGrow());
    EXPECT_TRUE(Workspace->CanShrink());

    Workspace->ResizeTo(1, 1);
    EXPECT_EQ(Workspace->Width(), 200);
    EXPECT_EQ(Workspace->Height(), 133);
    EXPECT_FALSE(Workspace->CanShrink());
    EXPECT_TRUE(Workspace->CanGrow());

    // Full width but not full height still grows.
    Workspace->ResizeTo(800, 300);
    EXPECT_FALSE(Workspace->CanGrow());
    Workspace->ResizeTo(799, 532);
    EXPECT_TRUE(Workspace->CanGrow());
}

TEST_F(WorkspaceTest, MovesScalesAndContainsPointsForTheTree)
{
    Workspace->ResizeTo(300, 200);
    Workspace->MoveTo(100, 50);
    EXPECT_EQ(Workspace->Left(), 100);
    EXPECT_EQ(Workspace->Top(), 50);
    Workspace->MoveBy(-20, 15);
    EXPECT_EQ(Workspace->Left(), 80);
    EXPECT_EQ(Workspace->Top(), 65);

    struct Point {
        int X, Y;
        bool Inside;
    };
    const Point points[] = {{80, 65, true},   {380, 265, true},  {380, 65, true}, {230, 150, true},
                            {79, 65, false},  {381, 265, false}, {80, 64, false}, {200, 266, false}};
    for (const Point& p : points) EXPECT_EQ(Workspace->ContainsPoint(p.X, p.Y), p.Inside) << p.X << "," << p.Y;

    Workspace->ScaleBy(1.1f, 1.1f);
    EXPECT_EQ(Workspace->Width(), 330);
    EXPECT_EQ(Workspace->Height(), 220);
    EXPECT_EQ(Workspace->Left(), 80);
    Workspace->ScaleBy(0.5f, 0.9f);
    EXPECT_EQ(Workspace->Width(), 200);  // clamped to the minimum
    EXPECT_EQ(Workspace->Height(), 198);

    // Factors that are not numbers leave the size alone.
    Workspace->ScaleBy(std::numeric_limits<float>::infinity(), 1.0f);
    Workspace->ScaleBy(std::numeric_limits<float>::quiet_NaN(), 1.0f);
    EXPECT_EQ(Workspace->Width(), 200);
    EXPECT_EQ(Workspace->Height(), 198);
}

TEST_F(WorkspaceTest, IdentifiersAreUniqueAcrossATightLoop)
{
    std::set<std::string> identifiers{Workspace->Identifier()};
    std::vector<std::unique_ptr<TFormVisWorkspace>> made;
    for (int i = 0; i < 200; ++i) {
        made.push_back(std::make_unique<TFormVisWorkspace>(Main.get()));
        const std::string& identifier = made.back()->Identifier();
        EXPECT_FALSE(identifier.empty());
        EXPECT_TRUE(std::all_of(identifier.begin(), identifier.end(), [](char c) { return c >= '0' && c <= '9'; }))
            << identifier;
        EXPECT_TRUE(identifiers.insert(identifier).second) << "repeated " << identifier;
    }
    // Identifiers of workspaces that are gone are not handed out again either.
    made.clear();
    for (int i = 0; i < 50; ++i) {
        TFormVisWorkspace another(nullptr);
        EXPECT_TRUE(identifiers.insert(another.Identifier()).second);
    }
}

TEST_F(WorkspaceTest, LevelTextsWithAndWithoutAnActivePage)
{
    auto* level = Find<QLabel>("LabelLevel");
    Workspace->SetLevelText("at pipeline level 2");
    EXPECT_EQ(level->text(), QStringLiteral("- at pipeline level 2"));
    Workspace->UpdateLevelLabel();  // no page shown: unchanged
    EXPECT_EQ(level->text(), QStringLiteral("- at pipeline level 2"));

    // A page as a view would show it.
    auto* pages = Find<QTabWidget>("PageControlVisualizations");
    pages->setTabVisible(0, true);
    pages->setTabText(0, QStringLiteral("ParallelCoords1"));
    pages->setCurrentIndex(0);
    ASSERT_EQ(Workspace->ActivePageIndex(), 0);

    struct Case {
        const char* Level;  // nullptr: UpdateLevelLabel only
        const char* Expected;
    };
    const Case cases[] = {
        {nullptr, "- \"ParallelCoords1\"  at pipeline level 2"},
        {nullptr, "- \"ParallelCoords1\"  at pipeline level 2"},
        {"at composition interlevel 1-2", "- \"ParallelCoords1\"  at composition interlevel 1-2"},
        {nullptr, "- \"ParallelCoords1\"  at composition interlevel 1-2"},
        {"at pipeline level 3", "- \"ParallelCoords1\"  at pipeline level 3"},
        {"level 4", "- \"ParallelCoords1\" at level 4"},
        {nullptr, "- \"ParallelCoords1\" "},
    };
    for (const Case& c : cases) {
        if (c.Level)
            Workspace->SetLevelText(c.Level);
        else
            Workspace->UpdateLevelLabel();
        EXPECT_EQ(level->text(), QString::fromUtf8(c.Expected)) << (c.Level ? c.Level : "update");
    }
    pages->setTabText(0, QStringLiteral("ScatterPlots2"));
    Workspace->SetLevelText("at pipeline level 5");
    pages->setTabText(0, QStringLiteral("TableLens1"));
    Workspace->UpdateLevelLabel();
    EXPECT_EQ(level->text(), QStringLiteral("- \"TableLens1\"  at pipeline level 5"));
}

TEST_F(WorkspaceTest, LoadFromTextFileFillsTheLabelPanelAndStacksIt)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.filePath(QStringLiteral("small.lumet")).toStdString();
    std::ofstream(path) << "#a b label\n% a comment\n1 2 x\n3 4 y\n5 6 z\n";
    ASSERT_TRUE(Workspace->LoadFromTextFile(path));
    ASSERT_NE(Workspace->Data(), nullptr);
    ASSERT_NE(Workspace->SelectionsController(), nullptr);
    EXPECT_EQ(Workspace->SelectionsController()->Count(), 3);
    EXPECT_EQ(Text("LabelWhereClause"), QStringLiteral("- SELECT * FROM small.lumet"));
    EXPECT_EQ(Text("LabelTotal"), QStringLiteral("- Total records: 3"));
    EXPECT_FALSE(Find<QLabel>("LabelWhereWord")->isVisibleTo(Workspace.get()));
    EXPECT_EQ(Find<QLabel>("LabelWhereClause")->x(), 6);

    // A long condition wraps; the labels below move down and the panel grows with them.
    auto* panel = Find<QWidget>("PanelLabel");
    const int panelHeight = panel->height();
    std::string clause = "(";
    for (int i = 0; i < 30; ++i) clause += "(a >= 0.25 AND a <= 0.75) OR ";
    clause += "(b >= 1))";
    Workspace->SetWhereClause(clause);
    auto* where = Find<QLabel>("LabelWhereClause");
    EXPECT_LE(where->x() + where->width(), panel->width());
    EXPECT_GT(where->height(), 3 * where->fontMetrics().height());
    EXPECT_EQ(Find<QLabel>("LabelTotal")->y(), Bottom("LabelWhereClause") + 5);
    EXPECT_EQ(Find<QLabel>("LabelLevel")->y(), Bottom("LabelTotal") + 5);
    EXPECT_EQ(Find<QLabel>("LabelComment")->y(), Bottom("LabelLevel") + 5);
    EXPECT_EQ(Find<QLineEdit>("EditComment")->y(), Find<QLabel>("LabelComment")->y());
    EXPECT_EQ(panel->height(), Bottom("LabelComment") + 26);
    EXPECT_GT(panel->height(), panelHeight);
}

TEST_F(WorkspaceTest, TheLabelPanelListsWhatTheLoadSkippedUnderTheRecordCount)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.filePath(QStringLiteral("skips.lumet")).toStdString();
    std::ofstream(path) << "#a b\n1 2\n3\n4 5\n6 7 8\n";
    ASSERT_TRUE(Workspace->LoadFromTextFile(path));
    EXPECT_EQ(Text("LabelTotal"), QStringLiteral("- Total records: 2\n- Skipped 2 lines (not 2 values): 3, 5"));
    auto* total = Find<QLabel>("LabelTotal");
    EXPECT_GE(total->height(), 2 * total->fontMetrics().height());
    EXPECT_EQ(Find<QLabel>("LabelLevel")->y(), Bottom("LabelTotal") + 5);
}

// A table whose reading runs out of memory.
class TStarvedTable : public TTableSource {
public:
    int FieldCount() const override { return 2; }
    std::string FieldName(int field) const override { return field ? "b" : "a"; }
    bool IsTextField(int) const override { return false; }
    bool First() override { return true; }
    bool Next() override { return ++Row < 3; }
    double AsFloat(int) override
    {
        if (Row == 2) throw std::bad_alloc();
        return Row;
    }
    std::string AsString(int) override { return {}; }
    std::string LastError() const override { return {}; }
    int Row = 0;
};

TEST_F(WorkspaceTest, ALoadThatRunsOutOfMemorySaysSoAndKeepsNoDataset)
{
    TMessageRecorder messages;
    TStarvedTable table;
    EXPECT_FALSE(Workspace->LoadFromTable(table, "big"));
    EXPECT_EQ(Workspace->Data(), nullptr);
    EXPECT_EQ(Workspace->SelectionsController(), nullptr);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, "Not enough memory to load the table \"big\".");
}

TEST_F(WorkspaceTest, AFileWithoutRecordsShowsZeroAndAMissingOneFails)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.filePath(QStringLiteral("header.lumet")).toStdString();
    std::ofstream(path) << "#a b\n% nothing else\n";
    TMessageRecorder messages;
    ASSERT_TRUE(Workspace->LoadFromTextFile(path));
    EXPECT_EQ(Text("LabelTotal"), QStringLiteral("- Total records: 0"));

    TFormVisWorkspace other(Main.get());
    EXPECT_FALSE(other.LoadFromTextFile(folder.filePath(QStringLiteral("none.lumet")).toStdString()));
    EXPECT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(other.SelectionsController(), nullptr);
}

TEST_F(WorkspaceTest, TheCommentBecomesTheCaptionAndItsLabelFocusesIt)
{
    Main->activateWindow();
    Main->MdiArea()->setActiveSubWindow(Workspace.get());
    QTest::mouseClick(Find<QPushButton>("ButtonLowerDetails"), Qt::LeftButton);
    auto* edit = Find<QLineEdit>("EditComment");
    EXPECT_FALSE(edit->hasFrame());
    QTest::mouseClick(Find<QLabel>("LabelComment"), Qt::LeftButton);
    EXPECT_TRUE(edit->hasFrame());
    if (QApplication::activeWindow() == Main.get()) {
        EXPECT_TRUE(edit->hasFocus());
    }
    QTest::keyClicks(edit, QStringLiteral("cheap cars"));
    EXPECT_EQ(Workspace->windowTitle(), QStringLiteral("cheap cars"));
    // Names are bytes: text typed in any script comes back as typed.
    edit->setText(QString::fromUtf8("Citroën – ø"));
    EXPECT_EQ(Workspace->windowTitle(), QString::fromUtf8("Citroën – ø"));
}

TEST_F(WorkspaceTest, ChoosingATechniqueBeforeLoadingOpensNothing)
{
    auto* combo = Find<QComboBox>("ComboBoxVisualizations");
    QTest::mouseClick(Find<QPushButton>("ButtonGoVis"), Qt::LeftButton);
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    EXPECT_EQ(Workspace->ActivePageIndex(), -1);
    Workspace->CreateView(7);
    Workspace->CreateView(-1);
    Workspace->DetachActiveView(true);
    EXPECT_FALSE(Workspace->IsViewDetached());
}

// Only a pick from the list opens a view: a letter typed into the closed box, an arrow key
// or a turn of the wheel over it changes the shown item and opens nothing.
TEST_F(WorkspaceTest, TheTechniqueBoxOpensAViewOnlyWhenAnItemIsPicked)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.filePath(QStringLiteral("small.lumet")).toStdString();
    std::ofstream(path) << "#a b\n1 2\n3 4\n";
    ASSERT_TRUE(Workspace->LoadFromTextFile(path));
    Workspace->show();
    auto* combo = Find<QComboBox>("ComboBoxVisualizations");
    Workspace->findChild<QPushButton*>(QStringLiteral("ButtonUpperDetails"))->click();
    ASSERT_TRUE(combo->isVisible());
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_S);
    QTest::keyClick(combo, Qt::Key_T);
    QTest::keyClick(combo, Qt::Key_Down);
    QWheelEvent wheel(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &wheel);
    EXPECT_EQ(Workspace->ActivePageIndex(), -1);

    // A click on an item of the opened list is a pick.
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const int star = combo->findText(QStringLiteral("Star Coordinates"));
    const QRect item = list->visualRect(combo->model()->index(star, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    ASSERT_NE(Workspace->ActivePageIndex(), -1);
    EXPECT_TRUE(Find<QTabWidget>("PageControlVisualizations")->tabText(Workspace->ActivePageIndex()).startsWith("StarCoordinates"));
}

// Instant zoom takes the active view into a window of its own; the tabs stay usable, so
// another page may be current when the zoom ends. The zoomed view goes back to its own page
// and the other views stay where they are.
TEST_F(WorkspaceTest, AZoomedViewGoesBackToItsOwnPageWhateverPageIsCurrent)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.filePath(QStringLiteral("small.lumet")).toStdString();
    std::ofstream(path) << "#a b\n1 2\n3 4\n";
    ASSERT_TRUE(Workspace->LoadFromTextFile(path));
    Workspace->CreateView(0);
    Workspace->CreateView(1);
    auto* tabs = Find<QTabWidget>("PageControlVisualizations");
    const int zoomedPage = tabs->currentIndex();
    QPointer<QWidget> zoomed = Workspace->ActiveView();
    ASSERT_NE(zoomed, nullptr);
    Workspace->DetachActiveView(true);
    ASSERT_TRUE(Workspace->IsViewDetached());
    EXPECT_NE(zoomed->window(), Main.get());
    const int otherPage = zoomedPage == 0 ? 1 : 0;
    tabs->setCurrentIndex(otherPage);
    QPointer<QWidget> other = Workspace->ActiveView();
    ASSERT_NE(other, nullptr);
    ASSERT_NE(other, zoomed);
    Workspace->DetachActiveView(false);
    EXPECT_FALSE(Workspace->IsViewDetached());
    ASSERT_TRUE(zoomed);
    ASSERT_TRUE(other);
    EXPECT_EQ(zoomed->parentWidget(), tabs->widget(zoomedPage));
    EXPECT_EQ(other->parentWidget(), tabs->widget(otherPage));
    EXPECT_EQ(zoomed->window(), other->window());
}

} // namespace
