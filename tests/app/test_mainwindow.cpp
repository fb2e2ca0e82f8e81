// The main window: loading the bundled cars sample through "Load data", failed loads that
// leave the controls usable, the navigation menu and its cursors, the mouse routing and the
// command line.
#include <QAction>
#include <QBitmap>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QOpenGLWidget>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "vis/ViewCursors.h"
#include "app/DataPaths.h"
#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "app/VisTree.h"
#include "tests/support/MessageRecorder.h"

namespace {

// Data lines of a .lumet file counted independently of the reader: not the header, not a
// comment, not blank.
int DataLines(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    int count = 0;
    bool header = true;
    while (std::getline(file, line)) {
        if (header) {
            header = false;
            continue;
        }
        if (!line.empty() && line[0] != '%' && line.find_first_not_of(' ') != std::string::npos) ++count;
    }
    return count;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window = std::make_unique<TFormVisualizationTree>();
        Window->setWindowState(Qt::WindowNoState);
        Window->resize(1000, 700);
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    }

    template <class T>
    T* Find(const char* name) const
    {
        T* widget = Window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QList<QMdiSubWindow*> Workspaces() const { return Window->MdiArea()->subWindowList(); }
    QString LabelText(QMdiSubWindow* workspace, const char* name) const
    {
        auto* label = workspace->findChild<QLabel*>(QLatin1String(name));
        return label ? label->text() : QString();
    }
    void LoadFile(const QString& path)
    {
        Find<QLineEdit>("EditTextFile")->setText(path);
        QTest::mouseClick(Find<QPushButton>("ButtonGoTextFile"), Qt::LeftButton);
    }
    // Controls shown, enabled and answering: no workspace, no tree.
    void ExpectChoosing()
    {
        EXPECT_TRUE(Find<QGroupBox>("GroupBoxDataAccess")->isVisible());
        EXPECT_TRUE(Find<QPushButton>("ButtonGoTextFile")->isEnabled());
        EXPECT_FALSE(Find<QPushButton>("ButtonStart")->isVisible());
        EXPECT_TRUE(Workspaces().isEmpty());
        EXPECT_EQ(Window->VisTree(), nullptr);
    }

    std::unique_ptr<TFormVisualizationTree> Window;
};

TEST_F(MainWindowTest, StartsWithTheBundledSampleAndLoadsItThroughLoadData)
{
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Visualization Tree"));
    const std::string sample = DataSetPath("Cars.lumet");
    const QString shown = Find<QLineEdit>("EditTextFile")->text();
    EXPECT_TRUE(QDir::isAbsolutePath(shown));
    EXPECT_TRUE(QFile::exists(shown));
    EXPECT_EQ(shown, QString::fromStdString(sample));
    const int records = DataLines(sample);
    ASSERT_GT(records, 300);

    TMessageRecorder messages;
    QTest::mouseClick(Find<QPushButton>("ButtonGoTextFile"), Qt::LeftButton);
    EXPECT_TRUE(messages.Messages.empty());
    ASSERT_EQ(Workspaces().size(), 1);
    QMdiSubWindow* workspace = Workspaces().front();
    EXPECT_TRUE(workspace->isVisible());
    EXPECT_EQ(LabelText(workspace, "LabelWhereClause"), QStringLiteral("- SELECT * FROM Cars.lumet"));
    EXPECT_EQ(LabelText(workspace, "LabelTotal"), QStringLiteral("- Total records: %1").arg(records));
    EXPECT_FALSE(workspace->findChild<QLabel*>(QStringLiteral("LabelWhereWord"))->isVisible());
    EXPECT_FALSE(Find<QGroupBox>("GroupBoxDataAccess")->isVisible());
    ASSERT_NE(Window->VisTree(), nullptr);
    EXPECT_EQ(Window->VisTree()->RootWorkspace(), workspace);
}

TEST_F(MainWindowTest, FailedLoadsReportAndLeaveTheControlsUsable)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString empty = folder.filePath(QStringLiteral("empty.lumet"));
    const QString noHeader = folder.filePath(QStringLiteral("noheader.lumet"));
    QFile(empty).open(QIODevice::WriteOnly);
    {
        QFile file(noHeader);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("a b\n1 2\n");
    }
    const QString missing = folder.filePath(QStringLiteral("missing.lumet"));
    struct Case {
        QString Path;
        std::string Expected;  // the message, or a part of it
    };
    const Case cases[] = {
        {missing, "\"" + missing.toStdString() + "\""},
        {noHeader, "Missing field names in text file, operation aborted."},
        {empty, ""},
        {folder.path(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        TMessageRecorder messages;
        LoadFile(c.Path);
        ASSERT_EQ(messages.Messages.size(), 1u);
        EXPECT_NE(messages.Messages[0].Text.find(c.Expected), std::string::npos) << messages.Messages[0].Text;
        ExpectChoosing();
    }

    // While the message is up, no empty workspace stands behind it.
    int visibleDuringMessage = -1;
    TMessageFunction previous = SetMessageFunction([&](TMessageKind, const std::string&, const std::string&) {
        visibleDuringMessage = 0;
        for (QMdiSubWindow* workspace : Workspaces()) visibleDuringMessage += workspace->isVisible();
    });
    LoadFile(missing);
    SetMessageFunction(previous);
    EXPECT_EQ(visibleDuringMessage, 0);

    // Return in the file box loads as well.
    TMessageRecorder messages;
    auto* edit = Find<QLineEdit>("EditTextFile");
    edit->setText(QString::fromStdString(DataSetPath("Cars.lumet")));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(Workspaces().size(), 1);
    EXPECT_NE(Window->VisTree(), nullptr);
}

TEST_F(MainWindowTest, NavigationMenuKeepsExactlyOneItemCheckedWithItsCursor)
{
    auto* menu = Find<QMenu>("PopupMenuOperations");
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (QAction* item : menu->actions()) captions << item->text();
    EXPECT_EQ(captions, (QStringList{"Translate", "Zoom In", "Zoom out", "Instant Zoom", "None"}));
    QWidget* canvas = Window->CanvasWidget();

    auto checked = [&] {
        QStringList result;
        for (QAction* item : menu->actions())
            if (item->isChecked()) result << item->text();
        return result;
    };
    EXPECT_EQ(checked(), QStringList{"None"});
    EXPECT_EQ(Window->NavigationMode(), TNavigationMode::None);

    struct Step {
        const char* Item;
        TNavigationMode Mode;
        Qt::CursorShape Shape;
    };
    // Every item after every other, the same item twice, "Instant Zoom" included.
    const Step steps[] = {
        {"MenuItemTranslate", TNavigationMode::Translate, Qt::BitmapCursor},
        {"MenuItemInstantZoom", TNavigationMode::InstantZoom, Qt::BitmapCursor},
        {"MenuItemInstantZoom", TNavigationMode::InstantZoom, Qt::BitmapCursor},
        {"MenuItemZoomIn", TNavigationMode::ZoomIn, Qt::BitmapCursor},
        {"MenuItemTranslate", TNavigationMode::Translate, Qt::BitmapCursor},
        {"MenuItemZoomOut", TNavigationMode::ZoomOut, Qt::BitmapCursor},
        {"MenuItemNone", TNavigationMode::None, Qt::ArrowCursor},
        {"MenuItemNone", TNavigationMode::None, Qt::ArrowCursor},
        {"MenuItemInstantZoom", TNavigationMode::InstantZoom, Qt::BitmapCursor},
        {"MenuItemNone", TNavigationMode::None, Qt::ArrowCursor},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Item);
        auto* item = Window->findChild<QAction*>(QLatin1String(step.Item));
        ASSERT_NE(item, nullptr);
        item->trigger();
        EXPECT_EQ(checked(), QStringList{item->text()});
        EXPECT_EQ(Window->NavigationMode(), step.Mode);
        EXPECT_EQ(canvas->cursor().shape(), step.Shape);
    }
}

TEST(ViewCursors, AreDistinct32PixelBitmapsWithTheHotSpotTopLeft)
{
    const TViewCursor all[] = {TViewCursor::Pan, TViewCursor::ZoomIn, TViewCursor::ZoomOut, TViewCursor::InstantZoom,
                               TViewCursor::Rotate};
    std::vector<QImage> images;
    for (TViewCursor which : all) {
        const QCursor cursor = ViewCursor(which);
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
        const QBitmap bitmap = cursor.bitmap();
        const QBitmap mask = cursor.mask();
        ASSERT_EQ(bitmap.size(), QSize(32, 32));
        ASSERT_EQ(mask.size(), QSize(32, 32));
        const QImage ink = bitmap.toImage().convertToFormat(QImage::Format_Mono);
        const QImage opaque = mask.toImage().convertToFormat(QImage::Format_Mono);
        // Something is drawn, and not everything: a shape with a transparent surround.
        int inked = 0, covered = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                covered += qGray(opaque.pixel(x, y)) < 128;
                inked += qGray(ink.pixel(x, y)) < 128;
            }
        EXPECT_GT(inked, 20);
        EXPECT_GT(covered, inked);
        EXPECT_LT(covered, 32 * 32 / 2);
        images.push_back(ink);
    }
    for (std::size_t i = 0; i < images.size(); ++i)
        for (std::size_t j = i + 1; j < images.size(); ++j) EXPECT_NE(images[i], images[j]) << i << " " << j;
}

TEST_F(MainWindowTest, RightPressOpensTheMenuAndEndsATranslateDrag)
{
    QWidget* canvas = Window->CanvasWidget();
    Window->findChild<QAction*>(QStringLiteral("MenuItemTranslate"))->trigger();
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(40, 30));
    EXPECT_TRUE(Window->Translating());
    EXPECT_EQ(Window->LastMouseX(), 40);
    EXPECT_EQ(Window->LastMouseY(), 30);
    QTest::mouseMove(canvas, QPoint(60, 45));
    EXPECT_EQ(Window->LastMouseX(), 60);
    EXPECT_EQ(Window->LastMouseY(), 45);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(60, 45));
    EXPECT_FALSE(Window->Translating());

    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(40, 30));
    ASSERT_TRUE(Window->Translating());
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(40, 30));
    QTest::mousePress(canvas, Qt::RightButton, Qt::NoModifier, QPoint(70, 80));
    EXPECT_FALSE(Window->Translating());
    auto* menu = Find<QMenu>("PopupMenuOperations");
    EXPECT_TRUE(menu->isVisible());
    menu->close();
    // The mode is unchanged by the popup alone.
    EXPECT_EQ(Window->NavigationMode(), TNavigationMode::Translate);
}

TEST_F(MainWindowTest, WorkspaceMovesReachTheMainWindowInItsClientCoordinates)
{
    LoadFile(QString::fromStdString(DataSetPath("Cars.lumet")));
    ASSERT_EQ(Workspaces().size(), 1);
    auto* workspace = static_cast<TFormVisWorkspace*>(Workspaces().front());
    workspace->MoveTo(120, 70);
    Window->findChild<QAction*>(QStringLiteral("MenuItemTranslate"))->trigger();
    Window->FormMouseDown(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, 100, 60);
    ASSERT_TRUE(Window->Translating());

    QMouseEvent move(QEvent::MouseMove, QPointF(15, 25), workspace->mapToGlobal(QPointF(15, 25)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(workspace, &move);
    EXPECT_EQ(Window->LastMouseX(), 135);
    EXPECT_EQ(Window->LastMouseY(), 95);

    // Over a view, which takes its own moves, the main window still follows the pointer.
    workspace->CreateView(0);
    QOpenGLWidget* view = workspace->findChild<QOpenGLWidget*>();
    ASSERT_NE(view, nullptr);
    const QPoint local(7, 9);
    const QPoint expected = view->mapTo(workspace, local) + workspace->geometry().topLeft();
    QMouseEvent overView(QEvent::MouseMove, QPointF(local), view->mapToGlobal(QPointF(local)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &overView);
    EXPECT_EQ(Window->LastMouseX(), expected.x());
    EXPECT_EQ(Window->LastMouseY(), expected.y());
}

TEST_F(MainWindowTest, CommandLineNeedsBothTheDatabaseFileAndTheTable)
{
    auto* connection = Find<QComboBox>("ComboBoxSelectDB");
    auto* table = Find<QComboBox>("ComboBoxSelectTable");
    const QString defaultConnection = connection->currentText();
    for (const QStringList& arguments : {QStringList{"lumetra"}, QStringList{"lumetra", "/tmp/some.sqlite"},
                                         QStringList{"lumetra", "--option", "/tmp/some.sqlite"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        TMessageRecorder messages;
        Window->ApplyCommandLine(arguments);
        EXPECT_TRUE(messages.Messages.empty());
        EXPECT_EQ(connection->currentText(), defaultConnection);
        EXPECT_EQ(table->currentText(), QStringLiteral("Cars"));
        ExpectChoosing();
    }
}

TEST_F(MainWindowTest, CommandLineConnectsAndStartHereLoadsTheTable)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("small db.sqlite"));  // a blank in the path
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        database.setDatabaseName(file);
        ASSERT_TRUE(database.open());
        QSqlQuery query(database);
        ASSERT_TRUE(query.exec(QStringLiteral("CREATE TABLE points (x REAL, y REAL)")));
        ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO points VALUES (1, 2), (3, 4), (5, 7)")));
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));

    TMessageRecorder messages;
    Window->ApplyCommandLine({QStringLiteral("lumetra"), file, QStringLiteral("points")});
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(Find<QComboBox>("ComboBoxSelectDB")->currentText(), file);
    EXPECT_EQ(Find<QComboBox>("ComboBoxSelectTable")->currentText(), QStringLiteral("points"));
    EXPECT_FALSE(Find<QGroupBox>("GroupBoxDataAccess")->isVisible());
    auto* start = Find<QPushButton>("ButtonStart");
    ASSERT_TRUE(start->isVisible());

    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_TRUE(messages.Messages.empty());
    ASSERT_EQ(Workspaces().size(), 1);
    EXPECT_EQ(LabelText(Workspaces().front(), "LabelWhereClause"), QStringLiteral("- SELECT * FROM points"));
    EXPECT_EQ(LabelText(Workspaces().front(), "LabelTotal"), QStringLiteral("- Total records: 3"));
    EXPECT_FALSE(start->isVisible());
    EXPECT_NE(Window->VisTree(), nullptr);
}

// "Start here!" offers the table named on the command line; once the first dataset came
// from elsewhere (the File menu's "Load data") it has nothing left to start.
TEST_F(MainWindowTest, StartHereGoesWhenTheFirstLoadCameFromTheFileMenu)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString database = folder.filePath(QStringLiteral("t.sqlite"));
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture2"));
        connection.setDatabaseName(database);
        ASSERT_TRUE(connection.open());
        QSqlQuery query(connection);
        ASSERT_TRUE(query.exec(QStringLiteral("CREATE TABLE points (x REAL, y REAL)")));
        connection.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture2"));
    const QString text = folder.filePath(QStringLiteral("t.lumet"));
    std::ofstream(text.toStdString()) << "#a b\n1 2\n3 4\n";

    TMessageRecorder messages;
    Window->ApplyCommandLine({QStringLiteral("lumetra"), database, QStringLiteral("points")});
    auto* start = Find<QPushButton>("ButtonStart");
    ASSERT_TRUE(start->isVisible());
    Find<QLineEdit>("EditTextFile")->setText(text);
    Window->ButtonGoTextFileClick();  // what "Load data" of the File menu runs after its dialog
    ASSERT_NE(Window->VisTree(), nullptr);
    EXPECT_FALSE(start->isVisible());
    EXPECT_FALSE(Find<QGroupBox>("GroupBoxDataAccess")->isVisible());
}

TEST_F(MainWindowTest, CommandLineWithAnUnreachableDatabaseKeepsTheControls)
{
    TMessageRecorder messages;
    Window->ApplyCommandLine({QStringLiteral("lumetra"), QStringLiteral("/nonexistent/x.sqlite"), QStringLiteral("t")});
    EXPECT_EQ(messages.Messages.size(), 1u);
    ExpectChoosing();
}

TEST_F(MainWindowTest, AFailingTableOpenCreatesNoWorkspace)
{
    auto* table = Find<QComboBox>("ComboBoxSelectTable");
    table->setEditText(QStringLiteral("NoSuchTable"));
    TMessageRecorder messages;
    QTest::mouseClick(Find<QPushButton>("ButtonGo"), Qt::LeftButton);
    EXPECT_EQ(messages.Messages.size(), 1u);
    ExpectChoosing();

    // The bundled database then loads with its own table.
    table->setEditText(QStringLiteral("Cars"));
    QTest::mouseClick(Find<QPushButton>("ButtonGo"), Qt::LeftButton);
    ASSERT_EQ(Workspaces().size(), 1) << (messages.Messages.size() > 1 ? messages.Messages.back().Text : "");
    EXPECT_EQ(LabelText(Workspaces().front(), "LabelWhereClause"), QStringLiteral("- SELECT * FROM Cars"));
    EXPECT_FALSE(Find<QGroupBox>("GroupBoxDataAccess")->isVisible());
}

TEST_F(MainWindowTest, LeavingTheConnectionBoxListsTheTables)
{
    auto* connection = Find<QComboBox>("ComboBoxSelectDB");
    auto* table = Find<QComboBox>("ComboBoxSelectTable");
    connection->setEditText(QString::fromStdString(DataSetPath("Cars.sqlite")));
    TMessageRecorder messages;
    Window->ComboBoxSelectDBExit();
    EXPECT_TRUE(messages.Messages.empty());
    ASSERT_GE(table->count(), 1);
    EXPECT_EQ(table->currentIndex(), 0);
    EXPECT_EQ(table->currentText(), QStringLiteral("Cars"));

    connection->setEditText(QStringLiteral("Provider=Nothing;Data Source=x"));
    Window->ComboBoxSelectDBExit();
    EXPECT_EQ(messages.Messages.size(), 1u);
    ExpectChoosing();
}

TEST_F(MainWindowTest, AnEndlessViewShowsProgressAndCancelLeavesTheControlsUsable)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("endless.sqlite"));
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        database.setDatabaseName(file);
        ASSERT_TRUE(database.open());
        QSqlQuery query(database);
        ASSERT_TRUE(query.exec(QStringLiteral("CREATE VIEW endless AS WITH RECURSIVE n(x) AS "
                                              "(SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT x FROM n")));
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    Find<QComboBox>("ComboBoxSelectDB")->setEditText(file);
    Window->ComboBoxSelectDBExit();
    Find<QComboBox>("ComboBoxSelectTable")->setEditText(QStringLiteral("endless"));

    // The dialog comes after half a second; a timer presses its Cancel button.
    bool shown = false;
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        auto* dialog = Window->findChild<QProgressDialog*>(QStringLiteral("LoadProgress"));
        if (!dialog || !dialog->isVisible()) return;
        shown = true;
        EXPECT_TRUE(dialog->labelText().contains(QStringLiteral("endless")));
        QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
    });
    presser.start(100);
    TMessageRecorder messages;
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(Find<QPushButton>("ButtonGo"), Qt::LeftButton);
    presser.stop();
    EXPECT_TRUE(shown);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(messages.Messages.empty());
    ExpectChoosing();

    // The window answers: the sample loads next.
    LoadFile(QString::fromStdString(DataSetPath("Cars.lumet")));
    EXPECT_EQ(Workspaces().size(), 1);
}

} // namespace
