// The main window's File menu and what a first session meets: loading CSV tables (from the
// load box and the command line), exporting records and view images, and the question
// before the window closes on an exploration tree.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/DataPaths.h"
#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "app/VisTree.h"
#include "data/PreProcessedData.h"
#include "render/RecordingDrawing.h"
#include "render/gl/OpenGLPanel.h"
#include "tests/support/MessageRecorder.h"
#include "vis/SelectionsController.h"
#include "vis/SelectionsList.h"
#include "vis/Selectioner.h"

namespace {

std::string Contents(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class FileMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        Window = std::make_unique<TFormVisualizationTree>();
        Window->setWindowState(Qt::WindowNoState);
        Window->resize(1000, 700);
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    }
    void TearDown() override { Window.reset(); }

    QString Write(const char* name, const std::string& content) const
    {
        const QString path = Folder.filePath(QLatin1String(name));
        std::ofstream(path.toStdString(), std::ios::binary) << content;
        return path;
    }
    void Load(const QString& path)
    {
        Window->findChild<QLineEdit*>(QStringLiteral("EditTextFile"))->setText(path);
        Window->ButtonGoTextFileClick();
    }
    TFormVisWorkspace* Root() const { return Window->VisTree() ? Window->VisTree()->RootWorkspace() : nullptr; }
    static QString Label(TFormVisWorkspace* workspace, const char* name)
    {
        return workspace->findChild<QLabel*>(QLatin1String(name))->text();
    }
    // One selection over [min, max] (normalised) on `dimension`.
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
        controller->ComputeItemsSatisfyingSelections();
    }

    QTemporaryDir Folder;
    std::unique_ptr<TFormVisualizationTree> Window;
};

TEST_F(FileMenuTest, TheFileMenuIsShownWithItsCommandsAndTheDesktopsShortcuts)
{
    EXPECT_TRUE(Window->menuBar()->isVisible());
    auto* menu = Window->findChild<QMenu*>(QStringLiteral("MenuItemFile"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("File"));
    EXPECT_TRUE(menu->menuAction()->isVisible());
    const struct {
        const char* Name;
        QString Caption;
        QKeySequence Shortcut;
    } items[] = {
        {"MenuItemLoadData", QStringLiteral("Load data"), QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"MenuItemOpenInNewWindow", QStringLiteral("Open in New Window…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
        {"MenuItemSaveViewImage", QStringLiteral("Save View Image…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"MenuItemExportRecords", QStringLiteral("Export Records…"), QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"MenuItemQuit", QStringLiteral("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    for (const auto& item : items) {
        auto* action = Window->findChild<QAction*>(QLatin1String(item.Name));
        ASSERT_NE(action, nullptr) << item.Name;
        EXPECT_TRUE(menu->actions().contains(action)) << item.Name;
        EXPECT_EQ(action->text(), item.Caption) << item.Name;
        EXPECT_EQ(action->shortcut(), item.Shortcut) << item.Name;
    }
    EXPECT_TRUE(TFormVisualizationTree::DataFileFilter().startsWith(QStringLiteral("Lumetra Files (*.lumet);;")));
    EXPECT_TRUE(TFormVisualizationTree::DataFileFilter().contains(QStringLiteral("*.csv *.tsv *.txt")));

    // Loading is offered until the first load; export once there are records.
    emit menu->aboutToShow();
    EXPECT_TRUE(Window->findChild<QAction*>(QStringLiteral("MenuItemLoadData"))->isEnabled());
    EXPECT_FALSE(Window->findChild<QAction*>(QStringLiteral("MenuItemExportRecords"))->isEnabled());
    Load(Write("t.csv", "a,b\n1,2\n"));
    emit menu->aboutToShow();
    EXPECT_FALSE(Window->findChild<QAction*>(QStringLiteral("MenuItemLoadData"))->isEnabled());
    EXPECT_TRUE(Window->findChild<QAction*>(QStringLiteral("MenuItemExportRecords"))->isEnabled());
}

TEST_F(FileMenuTest, ACsvTableLoadsFromTheLoadBoxWithItsNotes)
{
    TMessageRecorder recorder;
    Load(Write("cars.csv", "name;mpg\r\n\"ford, torino\";17\r\nvw;NA\r\nbmw\r\n"));
    ASSERT_NE(Root(), nullptr);
    EXPECT_EQ(Label(Root(), "LabelWhereClause"), QStringLiteral("- SELECT * FROM cars.csv"));
    EXPECT_EQ(Label(Root(), "LabelTotal"),
              QStringLiteral("- Total records: 2\n- Missing cells: 1 (shown at their column's lowest value)\n"
                             "- Skipped 1 line (wrong number of fields or an unclosed quote): 4"));
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_NE(recorder.Messages[0].Text.find("at line 4."), std::string::npos);
    EXPECT_EQ(Root()->Data()->ValueText(0, 0.0f), "ford, torino");
}

TEST_F(FileMenuTest, TheBundledCarsTableLoadsWithItsTexts)
{
    TMessageRecorder recorder;
    Load(QString::fromStdString(DataSetPath("Cars.csv")));
    ASSERT_NE(Root(), nullptr);
    EXPECT_TRUE(recorder.Messages.empty());
    const TPreProcessedData* data = Root()->Data();
    EXPECT_EQ(data->RecordsNumber, 392);
    EXPECT_EQ(data->GetDimension(8)->Categories, (std::vector<std::string>{"Europe", "Japan", "USA"}));
    EXPECT_EQ(data->ValueText(0, data->Denormalise(0, data->GetCell(0, 0).Value())), "chevrolet chevelle malibu");
    EXPECT_EQ(data->ValueText(1, data->GetHighValue(1)), "46.6");
}

TEST_F(FileMenuTest, ASingleDataFileOnTheCommandLineIsLoadedAtOnce)
{
    Window->ApplyCommandLine({QStringLiteral("lumetra"), Write("t.tsv", "x\ty\n1\t2\n3\t4\n")});
    ASSERT_NE(Root(), nullptr);
    EXPECT_EQ(Root()->Data()->RecordsNumber, 2);
    EXPECT_EQ(Label(Root(), "LabelWhereClause"), QStringLiteral("- SELECT * FROM t.tsv"));
}

TEST_F(FileMenuTest, ADirectoryOnTheCommandLineIsReportedAsNoDataFile)
{
    TMessageRecorder recorder;
    Window->ApplyCommandLine({QStringLiteral("lumetra"), Folder.path()});
    EXPECT_EQ(Root(), nullptr);
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_EQ(recorder.Messages[0].Title, "Warning");
    EXPECT_NE(recorder.Messages[0].Text.find("is a directory, not a data file"), std::string::npos)
        << recorder.Messages[0].Text;
    EXPECT_NE(recorder.Messages[0].Text.find(Folder.path().toStdString()), std::string::npos);
    EXPECT_TRUE(Window->findChild<QWidget*>(QStringLiteral("GroupBoxDataAccess"))->isVisible());
}

// The save dialogs ("Save View Image…", "Export Records…") start in the folder of the last
// file written, and in the home folder before any was.
TEST_F(FileMenuTest, SaveDialogsStartWhereTheLastFileWasSavedElseAtHome)
{
    Load(Write("t.csv", "a,b,c\n1,2,3\n4,6,5\n2,2,9\n"));
    ASSERT_NE(Root(), nullptr);
    Root()->CreateView(0);
    // The folder a save dialog opens in, read from the dialog itself and then cancelled.
    auto dialogFolder = [&](void (TFormVisualizationTree::*command)()) {
        QString folder;
        QTimer::singleShot(200, [&folder] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                folder = QDir(dialog->directory()).absolutePath();
                dialog->reject();
            }
        });
        (Window.get()->*command)();
        return folder;
    };
    const QString home = QDir(QDir::homePath()).absolutePath();
    EXPECT_EQ(dialogFolder(&TFormVisualizationTree::MenuItemSaveViewImageClick), home);
    EXPECT_EQ(dialogFolder(&TFormVisualizationTree::MenuItemExportRecordsClick), home);

    ASSERT_TRUE(QDir(Folder.path()).mkdir(QStringLiteral("pictures")));
    const QString pictures = QDir(Folder.filePath(QStringLiteral("pictures"))).absolutePath();
    ASSERT_TRUE(Window->SaveViewImage(pictures + QStringLiteral("/view.png")));
    EXPECT_EQ(dialogFolder(&TFormVisualizationTree::MenuItemExportRecordsClick), pictures);

    ASSERT_TRUE(QDir(Folder.path()).mkdir(QStringLiteral("tables")));
    const QString tables = QDir(Folder.filePath(QStringLiteral("tables"))).absolutePath();
    ASSERT_TRUE(Window->ExportRecords(tables + QStringLiteral("/all.csv")));
    EXPECT_EQ(dialogFolder(&TFormVisualizationTree::MenuItemSaveViewImageClick), tables);

    // A write that fails leaves the folder as it was.
    TMessageRecorder recorder;
    EXPECT_FALSE(Window->ExportRecords(Folder.filePath(QStringLiteral("no/such/all.csv"))));
    EXPECT_EQ(dialogFolder(&TFormVisualizationTree::MenuItemSaveViewImageClick), tables);
}

TEST_F(FileMenuTest, ExportRecordsWritesTheBrushedRecordsOrAllThatLoadBackAsTheyWere)
{
    Load(Write("t.csv", "make,mpg\naudi,20\nbmw,25.5\nvw,30\nbmw,18\n"));
    ASSERT_NE(Root(), nullptr);
    const QString all = Folder.filePath(QStringLiteral("all.csv"));
    ASSERT_TRUE(Window->ExportRecords(all));
    EXPECT_EQ(Contents(all), "make,mpg\naudi,20\nbmw,25.5\nvw,30\nbmw,18\n");

    Select(Root(), 1, 0.5f, 1.0f);  // mpg 24 … 30
    const QString brushed = Folder.filePath(QStringLiteral("brushed.lumet"));
    ASSERT_TRUE(Window->ExportRecords(brushed));
    EXPECT_EQ(Contents(brushed), "#make mpg\n% text columns written as category numbers: make\n1 25.5\n2 30\n");

    TMessageRecorder recorder;
    EXPECT_FALSE(Window->ExportRecords(Folder.filePath(QStringLiteral("no/such/dir.csv"))));
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_NE(recorder.Messages[0].Text.find("Could not write file"), std::string::npos);
}

TEST_F(FileMenuTest, SaveViewImageWritesTheViewsPixelsAsPng)
{
    Load(Write("t.csv", "a,b,c\n1,2,3\n4,6,5\n2,2,9\n"));
    ASSERT_NE(Root(), nullptr);
    TMessageRecorder recorder;
    EXPECT_FALSE(Window->SaveViewImage(Folder.filePath(QStringLiteral("none.png"))));
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_EQ(recorder.Messages[0].Text, "Open a view first: the active workspace shows none.");

    Root()->CreateView(0);
    auto* panel = qobject_cast<TOpenGLPanel*>(Root()->ActiveView());
    ASSERT_NE(panel, nullptr);
    const QString path = Folder.filePath(QStringLiteral("view.png"));
    ASSERT_TRUE(Window->SaveViewImage(path));
    const QImage saved(path);
    const QImage shown = panel->grabFramebuffer();
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), shown.size());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), shown.convertToFormat(QImage::Format_RGB32));
}

TEST_F(FileMenuTest, SaveViewImageAsSvgHoldsTheBrushedPolylinesInTheBrushColour)
{
    Load(Write("t.csv", "name,a,b,c\nx<y,1,2,3\nz&w,4,6,5\nq,2,2,9\nr,3,1,1\n"));
    ASSERT_NE(Root(), nullptr);
    Root()->CreateView(0);
    auto* panel = qobject_cast<TOpenGLPanel*>(Root()->ActiveView());
    ASSERT_NE(panel, nullptr);
    Select(Root(), 1, 0.0f, 0.5f);  // a = 1, 2: two records
    const QString path = Folder.filePath(QStringLiteral("view.svg"));
    ASSERT_TRUE(Window->SaveViewImage(path));

    // What the view draws for its records, in which colour.
    TRecordingDrawing recording;
    {
        TCurrentDrawing current(recording);
        panel->Paint();
    }
    std::set<QString> brushColours;
    for (const TRecordedPrimitive* p : recording.PrimitivesMeaning(TMeaning::Record))
        for (const TRecordedVertex& v : p->Vertices)
            brushColours.insert(QColor::fromRgbF(v.Color.C1, v.Color.C2, v.Color.C3).name());
    ASSERT_EQ(brushColours.size(), 1u);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    int segments = 0, texts = 0;
    std::set<QString> strokes;
    bool sawSvg = false;
    QStringList textContents;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("svg")) {
            sawSvg = true;
            EXPECT_EQ(xml.attributes().value(QLatin1String("width")).toInt(), panel->width());
            EXPECT_EQ(xml.attributes().value(QLatin1String("height")).toInt(), panel->height());
        } else if (xml.name() == QLatin1String("path") && xml.attributes().value(QLatin1String("class")) == QLatin1String("record")) {
            strokes.insert(xml.attributes().value(QLatin1String("stroke")).toString());
            segments += int(xml.attributes().value(QLatin1String("d")).count(QLatin1Char('M')));
        } else if (xml.name() == QLatin1String("text")) {
            ++texts;
            textContents << xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_TRUE(sawSvg);
    EXPECT_EQ(strokes, brushColours);
    EXPECT_EQ(segments, 2 * 3);  // two records, three segments each
    EXPECT_GT(texts, 0);
    EXPECT_TRUE(textContents.contains(QStringLiteral("z&w")) || textContents.contains(QStringLiteral("x<y")));
}

TEST_F(FileMenuTest, ClosingOnAnExplorationTreeAsksFirst)
{
    Load(Write("t.csv", "a\n1\n2\n3\n"));
    ASSERT_NE(Root(), nullptr);
    {
        TMessageRecorder recorder;  // the root alone: nothing to lose, no question
        recorder.Answer = false;
        EXPECT_TRUE(Window->close());
        EXPECT_TRUE(recorder.Questions.empty());
    }
    Window->show();
    Select(Root(), 0, 0.0f, 0.5f);
    Window->OpenPipelineWorkspace(Root()->SelectionsController(), Root()->Data(), Root(), false);
    ASSERT_EQ(Window->VisTree()->Nodes().size(), 2u);
    TMessageRecorder recorder;
    recorder.Answer = false;
    EXPECT_FALSE(Window->close());
    EXPECT_TRUE(Window->isVisible());
    ASSERT_EQ(recorder.Questions.size(), 1u);
    EXPECT_EQ(recorder.Questions[0].Text, "Close the Visualization Tree? Its 2 workspaces and their views are not kept.");
    recorder.Answer = true;
    EXPECT_TRUE(Window->close());
}

} // namespace
