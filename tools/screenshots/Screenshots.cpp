// lumetra-screenshots OUTPUT_FOLDER [DATA_FILE]   (run in the checkout's top folder)
//
// Makes the pictures of the documentation from the running workbench: it loads the sample
// the way "Load data" does, opens a view of every technique, brushes with the views' own
// mouse handlers, opens two pipelines and joins them into a composition by clicking the
// links' markers, and grabs the windows. Run it under a display (tools/screenshots.sh
// starts Xvfb). Every step is fixed, so the pictures change only when the program does.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <string>

#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "app/VisTree.h"
#include "data/Auxiliar.h"
#include "data/PreProcessedData.h"
#include "render/gl/SurfaceFormat.h"
#include "techniques/Techniques.h"
#include "techniques/parallel/ParallelCoordinates.h"
#include "techniques/tablelens/TableLens.h"
#include "vis/SelectionsController.h"
#include "vis/VisualizationPanel.h"

namespace {

QString OutputFolder;
bool Failed = false;

void Fail(const std::string& what)
{
    std::fprintf(stderr, "lumetra-screenshots: %s\n", what.c_str());
    Failed = true;
}

// Lets the window system and Qt catch up: posted events, paints, layout.
void Settle(int milliseconds = 150)
{
    QTest::qWait(milliseconds);
    QCoreApplication::processEvents();
}

// Writes `image` with at most 256 colours (the pictures are flat colours, lines and
// text), so that they stay small in the repository.
void Save(const QImage& image, const char* name)
{
    if (image.isNull()) return Fail(std::string("nothing to grab for ") + name);
    const QImage small = image.convertToFormat(QImage::Format_RGB32)
                             .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    const QString path = QDir(OutputFolder).filePath(QLatin1String(name));
    if (!small.save(path, "PNG", 9)) return Fail("cannot write " + path.toStdString());
    std::printf("%s %dx%d\n", path.toLocal8Bit().constData(), image.width(), image.height());
}

QImage Grab(QWidget* widget)
{
    Settle();
    return widget->grab().toImage();
}

int TechniqueByBenchName(const char* name)
{
    const auto& list = Techniques();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (std::string(list[i].BenchName) == name) return int(i);
    Fail(std::string("no technique ") + name);
    return -1;
}

int DimensionByName(const TPreProcessedData* data, const char* name)
{
    for (int d = 0; d < data->NumberOfDimensions(); ++d)
        if (data->GetDimensionName(d) == name) return d;
    Fail(std::string("the sample has no dimension ") + name);
    return 0;
}

TVisualizationPanel* ActivePanel(TFormVisWorkspace* workspace)
{
    return qobject_cast<TVisualizationPanel*>(workspace->ActiveView());
}

// Opens a view of the technique and makes it current; the view.
TVisualizationPanel* OpenView(TFormVisWorkspace* workspace, const char* benchName)
{
    workspace->CreateView(TechniqueByBenchName(benchName));
    Settle();
    TVisualizationPanel* view = ActivePanel(workspace);
    if (!view) Fail(std::string("no view of ") + benchName);
    return view;
}

void ShowPage(TFormVisWorkspace* workspace, QWidget* view)
{
    auto* pages = workspace->findChild<QTabWidget*>(QStringLiteral("PageControlVisualizations"));
    for (int i = 0; pages && i < pages->count(); ++i)
        if (pages->widget(i)->isAncestorOf(view)) pages->setCurrentIndex(i);
    Settle();
    if (auto* panel = qobject_cast<TVisualizationPanel*>(view)) panel->Repaint();
    Settle();
}

// A click with the left button at widget position (x, y), as the view's own handlers get it.
void Click(TVisualizationPanel* view, int x, int y, Qt::KeyboardModifiers keys = {})
{
    view->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, keys, x, y);
    view->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, keys, x, y);
}

// A brush over [low, high] (normalised) on `dimension` of a parallel-coordinates view, made
// as a user makes it: Ctrl+click at the low end, then a click at the high end.
void BrushOnAxis(TParallelCoordinates* view, int dimension, float low, float high)
{
    view->Repaint();  // binds its callbacks into the shared controller
    const auto toWidgetX = [view](float x) { return int(x * float(view->width()) / float(view->SpaceWidth)); };
    const auto toWidgetY = [view](float value) {
        const float logical = float(view->ValueScale().ToLogicalInt(value));
        return int(float(view->height()) - logical * float(view->height()) / float(view->SpaceHeight));
    };
    const int x = toWidgetX(view->GetAxisX(dimension));
    Click(view, x, toWidgetY(low), Qt::ControlModifier);
    Click(view, x, toWidgetY(high));
    view->Repaint();
}

// Two views of one workspace side by side, as one picture.
QImage SideBySide(const QImage& left, const QImage& right)
{
    const int gap = 12;
    QImage both(left.width() + gap + right.width(), std::max(left.height(), right.height()), QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawImage(0, 0, left);
    painter.drawImage(left.width() + gap, 0, right);
    return both;
}

QImage Scaled(const QImage& image, int width)
{
    return image.width() <= width ? image : image.scaledToWidth(width, Qt::SmoothTransformation);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: lumetra-screenshots OUTPUT_FOLDER [DATA_FILE]\n");
        return 2;
    }
    InstallDefaultSurfaceFormat();
    // The main window reads the application's arguments as a data file or a database;
    // it gets none of ours.
    int applicationArgc = 1;
    QApplication application(applicationArgc, argv);
    SetDecimalSeparator('.');
    SetMessageFunction([](TMessageKind, const std::string& title, const std::string& text) {
        std::fprintf(stderr, "message: %s: %s\n", title.c_str(), text.c_str());
    });
    SetQuestionFunction([](const std::string&, const std::string&) { return true; });
    OutputFolder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(OutputFolder);
    const QString sample = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    TFormVisualizationTree main;
    main.setWindowState(Qt::WindowNoState);
    main.resize(1500, 900);
    main.move(0, 0);
    main.show();
    if (!QTest::qWaitForWindowExposed(&main)) Fail("the main window was never shown");
    Settle();

    auto* fileBox = main.findChild<QLineEdit*>(QStringLiteral("EditTextFile"));
    if (!fileBox) return Fail("no file box"), 1;
    if (!sample.isEmpty()) fileBox->setText(sample);
    // ---- the data-access controls, before the first load. The boxes show the bundled
    // files by their names relative to the checkout (the program is started there), so the
    // picture does not depend on where the checkout lies.
    if (auto* connection = main.findChild<QComboBox*>(QStringLiteral("ComboBoxSelectDB")))
    {
        connection->setEditText(QStringLiteral("DataSets/Cars.sqlite"));
        if (connection->lineEdit()) connection->lineEdit()->setCursorPosition(0);
    }
    if (auto* controls = main.findChild<QGroupBox*>(QStringLiteral("GroupBoxDataAccess")))
        Save(Grab(controls), "data-access.png");
    else
        Fail("no data-access controls");
    main.ButtonGoTextFileClick();
    Settle();
    TVisTree* tree = main.VisTree();
    if (!tree) return Fail("the sample did not load"), 1;
    TFormVisWorkspace* root = tree->RootWorkspace();
    TPreProcessedData* data = root->Data();

    // ---- one large workspace: a view of every technique, two brushes on the miles per
    // gallon (the thirsty cars and the frugal ones), each in its colour
    root->ResizeTo(820, 600);
    root->MoveTo(0, 0);
    Settle();
    auto* parallel = qobject_cast<TParallelCoordinates*>(OpenView(root, "parallel"));
    TVisualizationPanel* scatter = OpenView(root, "scatter");
    TVisualizationPanel* star = OpenView(root, "star");
    auto* table = qobject_cast<TTableLens*>(OpenView(root, "table"));
    TVisualizationPanel* fastmap = OpenView(root, "fastmap");
    if (Failed || !parallel || !table) return 1;

    const int mpg = DimensionByName(data, "Miles_per_Gallon");
    const auto twoBrushes = [&] {
        parallel->RemoveAllSelectionsClick();
        BrushOnAxis(parallel, mpg, 0.55f, 0.98f);
        BrushOnAxis(parallel, mpg, 0.02f, 0.2f);
    };
    ShowPage(root, parallel);
    twoBrushes();
    const QImage parallelShot = Grab(root);
    ShowPage(root, scatter);
    const QImage scatterShot = Grab(root);
    Save(Scaled(SideBySide(parallelShot, scatterShot), 1400), "workspace-brush.png");

    // ---- a view's popup menu, with its "Selections" submenu
    ShowPage(root, parallel);
    parallel->ViewPopupMenu->popup(QPoint(40, 40));
    Settle();
    const QImage menu = Grab(parallel->ViewPopupMenu.get());
    parallel->MenuItemSelections->popup(QPoint(40 + menu.width(), 40));
    Settle();
    const QImage selections = Grab(parallel->MenuItemSelections);
    parallel->MenuItemSelections->hide();
    parallel->ViewPopupMenu->hide();
    Save(SideBySide(menu, selections), "popup-menu.png");
    main.activateWindow();  // the menu took the activation; the workspace gets it back
    main.MdiArea()->setActiveSubWindow(root);
    Settle();

    // ---- one picture per technique, in the same workspace with the same brushes: for the
    // user guide, and smaller for the README's tour
    const int guide = 560;
    const int tour = 320;
    const auto saveTechnique = [&](const QImage& image, const char* name) {
        Save(Scaled(image, guide), (std::string(name) + ".png").c_str());
        Save(Scaled(image, tour), (std::string(name) + "-small.png").c_str());
    };
    saveTechnique(parallelShot, "parallel");
    saveTechnique(scatterShot, "scatter");
    ShowPage(root, star);
    saveTechnique(Grab(root), "star");
    ShowPage(root, table);
    // Sorted by weight: a click in its column.
    const int weight = DimensionByName(data, "Weight_in_lbs");
    const int columns = data->NumberOfDimensions();
    Click(table, int((float(weight) + 0.5f) * float(table->DrawWidth()) / float(columns)), table->height() / 2);
    // Where the light, frugal cars give way to the heavy ones, the pointer on a row of the
    // name column: the row shows its values.
    table->ScrollTo(std::int64_t(table->TableLensRecordList.Shown()) * 15 / 2 - table->height() / 2);
    table->MouseMoveOnPanel(Qt::NoButton, {}, int(0.5f * float(table->DrawWidth()) / float(columns)),
                            table->height() / 2);
    table->Repaint();
    saveTechnique(Grab(root), "tablelens");
    ShowPage(root, fastmap);
    saveTechnique(Grab(root), "fastmap");

    // ---- the tree: two pipelines of the root (Japanese and European cars) and their
    // composition, each with a parallel-coordinates view
    ShowPage(root, parallel);
    const int origin = DimensionByName(data, "Origin");
    parallel->RemoveAllSelectionsClick();
    BrushOnAxis(parallel, origin, 0.8f, 1.0f);
    main.OpenPipelineWorkspace(root->SelectionsController(), data, root, false);
    parallel->RemoveAllSelectionsClick();
    BrushOnAxis(parallel, origin, 0.3f, 0.7f);
    main.OpenPipelineWorkspace(root->SelectionsController(), data, root, false);
    twoBrushes();
    Settle();
    TVisTreeNode* rootNode = tree->RootNode();
    TVisTreeNode* japan = rootNode ? rootNode->FirstChild.get() : nullptr;
    TVisTreeNode* europe = japan ? japan->NextSibling.get() : nullptr;
    if (!japan || !europe) return Fail("the pipelines were not opened"), 1;
    for (TVisTreeNode* node : {japan, europe}) {
        OpenView(node->Workspace.get(), "parallel");
        QTest::mouseClick(node->OuterMarker.get(), Qt::LeftButton, {}, QPoint(2, 8));
        Settle();
    }
    for (int level = 0; level < TVisTreeListOfCompositionNodes::Size; ++level)
        if (TVisTreeCompositionNode* composition = tree->Compositions().Item(level))
            if (composition->Workspace) OpenView(composition->Workspace.get(), "parallel");
    Settle(300);
    // Only the part of the canvas the tree covers, with a small margin.
    QWidget* canvas = main.MdiArea()->viewport();
    QRect covered;
    for (QWidget* window : main.MdiArea()->subWindowList()) covered |= window->geometry();
    const QRect area = covered.adjusted(-12, -12, 12, 12).intersected(canvas->rect());
    const QImage treeShot = Grab(canvas).copy(area);
    Save(Scaled(treeShot, 1000), "tree.png");
    Save(Scaled(treeShot, tour), "tree-small.png");

    return Failed ? 1 : 0;
}
