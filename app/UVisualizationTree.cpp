#include "app/UVisualizationTree.h"

#include <QApplication>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QLabel>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "vis/ViewCursors.h"
#include "app/DataPaths.h"
#include "app/DatabaseAccess.h"
#include "app/DatabaseTable.h"
#include "app/LoadProgress.h"
#include "app/UVisWorkspace.h"
#include "app/VisTree.h"
#include "data/Auxiliar.h"
#include "data/PreProcessedData.h"
#include "data/RecordExport.h"
#include "render/RecordingDrawing.h"
#include "render/SvgWriter.h"
#include "render/gl/OpenGLPanel.h"
#include "vis/SelectionsController.h"

namespace {
// Design geometry is given at 144 pixels per inch; Qt lays out at 96.
constexpr int D(int design) { return (design * 2 + 1) / 3; }

QFont PixelFont(const QFont& base, int pixelSize, bool bold)
{
    QFont font(base);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QString ToQString(const std::string& bytes)
{
    const std::string utf8 = BytesToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToBytes(const QString& text) { return text.toUtf8().toStdString(); }
} // namespace

TFormVisualizationTree::TFormVisualizationTree(QWidget* parent)
    : QMainWindow(parent), ZDatabaseAccess(std::make_unique<TDatabaseAccess>())
{
    setWindowTitle(QStringLiteral("Visualization Tree"));
    setFont(PixelFont(font(), D(17), false));

    MenuItemFile = menuBar()->addMenu(QStringLiteral("File"));
    MenuItemFile->setObjectName(QStringLiteral("MenuItemFile"));
    auto addFileItem = [this](const char* name, const QString& caption, const QKeySequence& shortcut, auto handler) {
        QAction* item = MenuItemFile->addAction(caption);
        item->setObjectName(QLatin1String(name));
        item->setShortcut(shortcut);
        connect(item, &QAction::triggered, this, handler);
        return item;
    };
    MenuItemLoadData = addFileItem("MenuItemLoadData", QStringLiteral("Load data"), QKeySequence::Open,
                                   [this] { MenuItemLoadDataClick(); });
    MenuItemOpenInNewWindow = addFileItem("MenuItemOpenInNewWindow", QStringLiteral("Open in New Window…"),
                                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), [this] { MenuItemOpenInNewWindowClick(); });
    MenuItemFile->addSeparator();
    MenuItemSaveViewImage = addFileItem("MenuItemSaveViewImage", QStringLiteral("Save View Image…"),
                                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { MenuItemSaveViewImageClick(); });
    MenuItemExportRecords = addFileItem("MenuItemExportRecords", QStringLiteral("Export Records…"),
                                        QKeySequence(Qt::CTRL | Qt::Key_E), [this] { MenuItemExportRecordsClick(); });
    MenuItemFile->addSeparator();
    MenuItemQuit = addFileItem("MenuItemQuit", QStringLiteral("Quit"), QKeySequence::Quit, [this] { close(); });
    // Export needs records, and a process holds one exploration tree: the items follow the load.
    connect(MenuItemFile, &QMenu::aboutToShow, this, [this] {
        MenuItemLoadData->setEnabled(!VisTreeValue);
        MenuItemSaveViewImage->setEnabled(VisTreeValue != nullptr);
        MenuItemExportRecords->setEnabled(VisTreeValue != nullptr);
    });

    MdiAreaValue = new QMdiArea(this);
    MdiAreaValue->setObjectName(QStringLiteral("MdiArea"));
    MdiAreaValue->setFrameShape(QFrame::NoFrame);
    MdiAreaValue->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MdiAreaValue->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Only the user maximises a workspace: one that becomes active (a new pipeline, a click)
    // keeps its place and size in the tree even while another one is maximised.
    MdiAreaValue->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
    MdiAreaValue->viewport()->setObjectName(QStringLiteral("ImageArrows"));
    MdiAreaValue->viewport()->setMouseTracking(true);
    MdiAreaValue->viewport()->installEventFilter(this);
    setCentralWidget(MdiAreaValue);
    ResizeCanvas(QSize(D(1029), D(629)));

    GroupBoxDataAccess = new QGroupBox(MdiAreaValue);
    GroupBoxDataAccess->setObjectName(QStringLiteral("GroupBoxDataAccess"));
    GroupBoxDataAccess->setGeometry(D(333), D(320), D(678), D(186));
    GroupBoxDataAccess->setAutoFillBackground(true);

    ButtonGo = new QPushButton(QStringLiteral("BANCO DE DADOS"), GroupBoxDataAccess);
    ButtonGo->setObjectName(QStringLiteral("ButtonGo"));
    ButtonGo->setGeometry(D(13), D(86), D(198), D(39));
    ButtonGo->setFont(PixelFont(font(), D(20), true));

    ComboBoxSelectDB = new QComboBox(GroupBoxDataAccess);
    ComboBoxSelectDB->setObjectName(QStringLiteral("ComboBoxSelectDB"));
    ComboBoxSelectDB->setEditable(true);
    ComboBoxSelectDB->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxSelectDB->setGeometry(D(221), D(86), D(193), D(28));
    ComboBoxSelectDB->setEditText(ToQString(TDatabaseAccess::DefaultConnectionString()));

    ComboBoxSelectTable = new QComboBox(GroupBoxDataAccess);
    ComboBoxSelectTable->setObjectName(QStringLiteral("ComboBoxSelectTable"));
    ComboBoxSelectTable->setEditable(true);
    ComboBoxSelectTable->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxSelectTable->setGeometry(D(425), D(86), D(216), D(28));
    ComboBoxSelectTable->setEditText(QStringLiteral("Cars"));
    AddRecordLimitControl();

    EditTextFile = new QLineEdit(GroupBoxDataAccess);
    EditTextFile->setObjectName(QStringLiteral("EditTextFile"));
    EditTextFile->setGeometry(D(135), D(31), D(371), D(28));
    EditTextFile->setText(QFile::decodeName(QByteArray::fromStdString(DataSetPath("Cars.lumet"))));

    ButtonSearchFile = new QPushButton(QStringLiteral("..."), GroupBoxDataAccess);
    ButtonSearchFile->setObjectName(QStringLiteral("ButtonSearchFile"));
    ButtonSearchFile->setGeometry(D(505), D(25), D(38), D(38));

    ButtonGoTextFile = new QPushButton(QStringLiteral("Load data"), GroupBoxDataAccess);
    ButtonGoTextFile->setObjectName(QStringLiteral("ButtonGoTextFile"));
    ButtonGoTextFile->setGeometry(D(13), D(25), D(125), D(38));
    ButtonGoTextFile->setFont(PixelFont(font(), D(22), true));
    ButtonGoTextFile->setDefault(true);
    ButtonGoTextFile->raise();  // over the edit's left end, as designed

    ButtonStart = new QPushButton(QStringLiteral("Start here!"), MdiAreaValue);
    ButtonStart->setObjectName(QStringLiteral("ButtonStart"));
    ButtonStart->setGeometry(D(60), D(20), D(94), D(31));
    ButtonStart->hide();

    PopupMenuOperations = new QMenu(this);
    PopupMenuOperations->setObjectName(QStringLiteral("PopupMenuOperations"));
    auto addItem = [this](const char* name, const char* caption) {
        QAction* item = PopupMenuOperations->addAction(QLatin1String(caption));
        item->setObjectName(QLatin1String(name));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { SetNavigationMode(item); });
        return item;
    };
    MenuItemTranslate = addItem("MenuItemTranslate", "Translate");
    MenuItemZoomIn = addItem("MenuItemZoomIn", "Zoom In");
    MenuItemZoomOut = addItem("MenuItemZoomOut", "Zoom out");
    MenuItemInstantZoom = addItem("MenuItemInstantZoom", "Instant Zoom");
    MenuItemNone = addItem("MenuItemNone", "None");
    MenuItemNone->setChecked(true);

    connect(ButtonGoTextFile, &QPushButton::clicked, this, [this] { ButtonGoTextFileClick(); });
    // Return in the file box loads it, as the default button of a dialog would.
    connect(EditTextFile, &QLineEdit::returnPressed, this, [this] { ButtonGoTextFileClick(); });
    connect(ButtonSearchFile, &QPushButton::clicked, this, [this] { ButtonSearchFileClick(); });
    connect(ButtonGo, &QPushButton::clicked, this, [this] { ButtonGoClick(); });
    connect(ButtonStart, &QPushButton::clicked, this, [this] { ButtonGoClick(); });
    connect(ComboBoxSelectDB->lineEdit(), &QLineEdit::editingFinished, this, [this] { ComboBoxSelectDBExit(); });

    resize(D(1029), D(629));
    setWindowState(Qt::WindowMaximized);
}

TFormVisualizationTree::~TFormVisualizationTree()
{
    // Workspaces go before the MDI area they live in; the table before its connection.
    VisTreeValue.reset();
    DatabaseTable.reset();
    ZDatabaseAccess.reset();
}

// ---- start-up ------------------------------------------------------------------------------------

void TFormVisualizationTree::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (Shown) return;
    Shown = true;
    FormShow();
}

void TFormVisualizationTree::FormShow()
{
    ApplyCommandLine(QCoreApplication::arguments());
    if (GroupBoxDataAccess->isVisible()) ButtonGoTextFile->setFocus();
}

void TFormVisualizationTree::ApplyCommandLine(const QStringList& arguments)
{
    QStringList values;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (!arguments[i].startsWith(QLatin1Char('-'))) values << arguments[i];
    if (values.size() == 1 && QFileInfo(values[0]).isDir()) {
        ShowMessage(TMessageKind::Warning, "Warning",
                    "\"" + ToBytes(values[0]) + "\" is a directory, not a data file. Choose a file in it with \"...\" or the File menu.");
        return;
    }
    if (values.size() == 1) {
        const QString suffix = QFileInfo(values[0]).suffix().toLower();
        if (suffix == QLatin1String("lumet") || suffix == QLatin1String("csv") || suffix == QLatin1String("tsv") ||
            suffix == QLatin1String("txt")) {
            EditTextFile->setText(values[0]);
            ButtonGoTextFileClick();
            return;
        }
    }
    const QString databaseFile = values.value(0);
    const QString tableName = values.value(1);
    if (databaseFile.isEmpty() || tableName.isEmpty()) return;
    ComboBoxSelectDB->setEditText(databaseFile);
    ComboBoxSelectTable->setEditText(tableName);
    // A connection that fails (after its message) leaves the controls to choose again.
    if (!ZDatabaseAccess->Connect(TDatabaseAccess::SqliteConnectionString(QFile::encodeName(databaseFile).toStdString())))
        return;
    GroupBoxDataAccess->hide();
    ButtonStart->show();
    ButtonStart->setFocus();
}

// ---- data access ---------------------------------------------------------------------------------

void TFormVisualizationTree::AddRecordLimitControl()
{
    LabelRecordLimit = new QLabel(QStringLiteral("Records:"), GroupBoxDataAccess);
    LabelRecordLimit->setObjectName(QStringLiteral("LabelRecordLimit"));
    LabelRecordLimit->setGeometry(D(425), D(124), D(80), D(28));
    SpinBoxRecordLimit = new QSpinBox(GroupBoxDataAccess);
    SpinBoxRecordLimit->setObjectName(QStringLiteral("SpinBoxRecordLimit"));
    SpinBoxRecordLimit->setGeometry(D(505), D(124), D(136), D(28));
    SpinBoxRecordLimit->setRange(0, 2000000000);
    SpinBoxRecordLimit->setSingleStep(100000);
    SpinBoxRecordLimit->setGroupSeparatorShown(true);
    SpinBoxRecordLimit->setSpecialValueText(QStringLiteral("all"));  // 0: never sample
    SpinBoxRecordLimit->setValue(static_cast<int>(DefaultRecordLimit));
    SpinBoxRecordLimit->setToolTip(
        QStringLiteral("Tables with more rows open as a uniform sample of this many; 0 loads every row."));
}

void TFormVisualizationTree::TakeRecordLimitOfConnection()
{
    const std::int64_t limit = ZDatabaseAccess->RecordLimit();
    if (limit >= 0) SpinBoxRecordLimit->setValue(static_cast<int>(std::min<std::int64_t>(limit, 2000000000)));
}

void TFormVisualizationTree::ShowDataAccess(bool visible)
{
    GroupBoxDataAccess->setVisible(visible);
    if (visible) GroupBoxDataAccess->raise();
}

QString TFormVisualizationTree::DataFileFilter()
{
    return QStringLiteral("Lumetra Files (*.lumet);;CSV and TSV Tables (*.csv *.tsv *.txt);;All Files (*)");
}

void TFormVisualizationTree::ButtonSearchFileClick()
{
    const QString fileName = QFileDialog::getOpenFileName(
        this, QString(), QFile::decodeName(QByteArray::fromStdString(DataSetsDirectory())), DataFileFilter());
    if (!fileName.isEmpty()) EditTextFile->setText(fileName);
}

void TFormVisualizationTree::ComboBoxSelectDBExit()
{
    // The message box of a failed connection takes the focus; that is no second exit.
    if (LeavingConnectionBox) return;
    LeavingConnectionBox = true;
    DatabaseTable.reset();
    ZDatabaseAccess->Disconnect();
    if (ZDatabaseAccess->Connect(ToBytes(ComboBoxSelectDB->currentText()))) {
        TakeRecordLimitOfConnection();
        const std::vector<std::string> names = ZDatabaseAccess->TableNames();
        ComboBoxSelectTable->clear();
        for (const std::string& name : names) ComboBoxSelectTable->addItem(ToQString(name));
        if (ComboBoxSelectTable->count() > 0) ComboBoxSelectTable->setCurrentIndex(0);
    }
    LeavingConnectionBox = false;
}

void TFormVisualizationTree::ButtonGoTextFileClick()
{
    if (VisTreeValue) return;
    ShowDataAccess(false);
    auto workspace = std::make_unique<TFormVisWorkspace>(this);
    workspace->hide();  // no empty window behind the reader's message
    if (!workspace->LoadFromTextFile(QFile::encodeName(EditTextFile->text()).toStdString())) {
        // The reader has said why; the controls come back so that another file can be tried.
        workspace.reset();
        ShowDataAccess(true);
        EditTextFile->setFocus();
        return;
    }
    workspace->show();
    VisTreeValue = std::make_unique<TVisTree>(std::move(workspace), this);
    ButtonStart->hide();  // the table it offered is no longer the first dataset
}

void TFormVisualizationTree::ButtonGoClick()
{
    if (VisTreeValue) return;
    // Pressed without leaving the connection box first: connect with what it shows.
    if (!ZDatabaseAccess->IsConnected()) {
        if (!ZDatabaseAccess->Connect(ToBytes(ComboBoxSelectDB->currentText()))) return;
        TakeRecordLimitOfConnection();
    }
    const std::string tableName = ToBytes(ComboBoxSelectTable->currentText());
    DatabaseTable.reset();
    // A long load (a large table, an endless view) shows a dialog with Cancel after half a
    // second; the engine asks it between steps. The table's size comes first: above the
    // record limit the root holds a sample.
    TLoadProgress progress(this, QStringLiteral("Loading the table \"%1\"\u2026").arg(ToQString(tableName)));
    const std::function<bool()> keepGoing = [&progress] { return progress.KeepGoing(); };
    std::shared_ptr<TDatabaseTable> table = ZDatabaseAccess->DescribeTable(tableName, keepGoing);
    if (!table) return;
    auto workspace = std::make_unique<TFormVisWorkspace>(this);
    workspace->hide();
    if (!workspace->LoadFromDatabaseTable(table, SpinBoxRecordLimit->value(), keepGoing)) return;
    workspace->show();
    VisTreeValue = std::make_unique<TVisTree>(std::move(workspace), this);
    ShowDataAccess(false);
    ButtonStart->hide();
}

// ---- the File menu ----------------------------------------------------------------------------------

namespace {
// The directory a dialog starts in: that of the file named in the load box, else the samples.
QString StartDirectory(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!fileName.isEmpty() && info.dir().exists()) return info.absolutePath();
    return QFile::decodeName(QByteArray::fromStdString(DataSetsDirectory()));
}

// `fileName` with the extension of the chosen filter when it has none.
QString WithExtension(const QString& fileName, const QString& filter, const char* fallback)
{
    if (!QFileInfo(fileName).suffix().isEmpty()) return fileName;
    const qsizetype star = filter.indexOf(QLatin1String("*."));
    const QString extension = star >= 0 ? filter.mid(star + 1).section(QLatin1Char(' '), 0, 0).remove(QLatin1Char(')'))
                                        : QLatin1String(fallback);
    return fileName + extension;
}
} // namespace

void TFormVisualizationTree::RestoreMaximisedWorkspaces()
{
    for (QMdiSubWindow* window : MdiAreaValue->subWindowList())
        if (window->isMaximized()) window->showNormal();
}

QString TFormVisualizationTree::SaveDirectory() const
{
    if (!LastSaveDirectory.isEmpty() && QDir(LastSaveDirectory).exists()) return LastSaveDirectory;
    return QDir::homePath();
}

void TFormVisualizationTree::RememberSaveDirectory(const QString& savedFile)
{
    LastSaveDirectory = QFileInfo(savedFile).absolutePath();
}

TFormVisWorkspace* TFormVisualizationTree::ActiveWorkspace() const
{
    if (!VisTreeValue) return nullptr;
    if (auto* workspace = qobject_cast<TFormVisWorkspace*>(MdiAreaValue->currentSubWindow())) return workspace;
    return VisTreeValue->RootWorkspace();
}

void TFormVisualizationTree::MenuItemLoadDataClick()
{
    if (VisTreeValue) return;
    const QString fileName = QFileDialog::getOpenFileName(this, QStringLiteral("Load data"),
                                                          StartDirectory(EditTextFile->text()), DataFileFilter());
    if (fileName.isEmpty()) return;
    EditTextFile->setText(fileName);
    ButtonGoTextFileClick();
}

void TFormVisualizationTree::MenuItemOpenInNewWindowClick()
{
    const QString fileName = QFileDialog::getOpenFileName(this, QStringLiteral("Open in New Window"),
                                                          StartDirectory(EditTextFile->text()), DataFileFilter());
    if (!fileName.isEmpty()) OpenInNewWindow(fileName);
}

bool TFormVisualizationTree::OpenInNewWindow(const QString& fileName)
{
    if (QProcess::startDetached(QCoreApplication::applicationFilePath(), {QFileInfo(fileName).absoluteFilePath()})) return true;
    ShowMessage(TMessageKind::Warning, "Warning", "Could not start a new window on " + ToBytes(fileName) + ".");
    return false;
}

void TFormVisualizationTree::MenuItemSaveViewImageClick()
{
    TFormVisWorkspace* workspace = ActiveWorkspace();
    if (!workspace || !workspace->ActiveView()) {
        ShowMessage(TMessageKind::Warning, "Warning", "Open a view first: the active workspace shows none.");
        return;
    }
    SaveViewImageDialog(workspace->ActiveView());
}

void TFormVisualizationTree::SaveViewImageDialog(QWidget* view)
{
    if (!view) return;
    QString filter;
    const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("Save View Image"),
                                                          SaveDirectory(),
                                                          QStringLiteral("PNG Image (*.png);;SVG Image (*.svg)"), &filter);
    if (!fileName.isEmpty()) SaveViewImage(view, WithExtension(fileName, filter, ".png"));
}

bool TFormVisualizationTree::SaveViewImage(const QString& fileName)
{
    TFormVisWorkspace* workspace = ActiveWorkspace();
    if (!workspace || !workspace->ActiveView()) {
        ShowMessage(TMessageKind::Warning, "Warning", "Open a view first: the active workspace shows none.");
        return false;
    }
    return SaveViewImage(workspace->ActiveView(), fileName);
}

bool TFormVisualizationTree::SaveViewImage(QWidget* view, const QString& fileName)
{
    auto* panel = qobject_cast<TOpenGLPanel*>(view);
    if (!panel) return false;
    const std::string name = QFile::encodeName(fileName).toStdString();
    const std::string shown = ToBytes(fileName);
    if (QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        TRecordingDrawing recording;
        panel->RecordFrame(recording);  // the overlay too (star axes, brushes), as in the PNG
        if (!HasFlatProjection(recording)) {
            ShowMessage(TMessageKind::Warning, "Warning",
                        "This view has no flat picture to write as SVG; save it as PNG instead.");
            return false;
        }
        const std::string temporary = name + ".part";
        std::FILE* out = std::fopen(temporary.c_str(), "wb");
        bool written = out && WriteSvg(recording, panel->width(), panel->height(), out);
        if (out && std::fclose(out) != 0) written = false;
        if (written && std::rename(temporary.c_str(), name.c_str()) == 0) {
            RememberSaveDirectory(fileName);
            return true;
        }
        std::remove(temporary.c_str());
        ShowMessage(TMessageKind::Warning, "Warning", "Could not write the image " + shown + ".");
        return false;
    }
    const QImage image = panel->PaintedImage();
    if (image.isNull() || !image.save(fileName, "PNG")) {
        ShowMessage(TMessageKind::Warning, "Warning", "Could not write the image " + shown + ".");
        return false;
    }
    RememberSaveDirectory(fileName);
    return true;
}

void TFormVisualizationTree::MenuItemExportRecordsClick()
{
    if (!ActiveWorkspace()) return;
    QString filter;
    const QString fileName =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export Records"), SaveDirectory(),
                                     QStringLiteral("CSV Files (*.csv);;Lumetra Files (*.lumet)"), &filter);
    if (!fileName.isEmpty()) ExportRecords(WithExtension(fileName, filter, ".csv"));
}

bool TFormVisualizationTree::ExportRecords(const QString& fileName)
{
    TFormVisWorkspace* workspace = ActiveWorkspace();
    if (!workspace || !workspace->Data()) return false;
    // The brushed records when a selection exists, otherwise all.
    const TRecordList* records =
        workspace->SelectionsController() ? workspace->SelectionsController()->ListOfItemsSatisfyingSelections() : nullptr;
    const std::string name = QFile::encodeName(fileName).toStdString();
    std::string error;
    if (WriteRecords(*workspace->Data(), records, name, RecordFileFormatOf(name), error)) {
        RememberSaveDirectory(fileName);
        return true;
    }
    ShowMessage(TMessageKind::Warning, "Warning", error);
    return false;
}

void TFormVisualizationTree::closeEvent(QCloseEvent* event)
{
    const std::size_t workspaces = VisTreeValue ? VisTreeValue->Nodes().size() : 0;
    if (workspaces > 1 &&
        !AskQuestion("Quit", "Close the Visualization Tree? Its " + IntToStr(static_cast<long long>(workspaces)) +
                                 " workspaces and their views are not kept.")) {
        event->ignore();
        return;
    }
    HideOtherWindows();
    QMainWindow::closeEvent(event);
}

// A view popped out by "Instant Zoom" and the tracker windows are windows of their own that
// ignore close; hidden, they no longer keep the program running once this window closes.
void TFormVisualizationTree::HideOtherWindows()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->hide();
}

// ---- pipelines and pruning -----------------------------------------------------------------------

void TFormVisualizationTree::OpenPipelineWorkspace(TSelectionsController* controller, TPreProcessedData* data,
                                                   TFormVisWorkspace* parentWorkspace, bool fullDomain)
{
    if (!VisTreeValue) return;
    // The new workspace takes its place in the tree beside the others, not maximised over them.
    RestoreMaximisedWorkspaces();
    auto workspace = std::make_unique<TFormVisWorkspace>(this);
    // Without selected records there is nothing to show: no empty workspace joins the tree.
    if (!workspace->LoadPipeline(parentWorkspace, controller, data, fullDomain)) return;
    VisTreeValue->AddPipeline(parentWorkspace, std::move(workspace));
}

void TFormVisualizationTree::PruneWorkspaceBranch(TFormVisWorkspace* workspace)
{
    if (VisTreeValue) VisTreeValue->PruneBranch(workspace);
}

// ---- canvas ------------------------------------------------------------------------------------------

int TFormVisualizationTree::ClientWidth() const { return MdiAreaValue->viewport()->width(); }
int TFormVisualizationTree::ClientHeight() const { return MdiAreaValue->viewport()->height(); }
QWidget* TFormVisualizationTree::CanvasWidget() const { return MdiAreaValue->viewport(); }

void TFormVisualizationTree::UpdateCanvas()
{
    MdiAreaValue->setBackground(QBrush(ImageArrows));
    MdiAreaValue->viewport()->update();
}

// The canvas follows the client area and keeps what was drawn on it.
void TFormVisualizationTree::ResizeCanvas(const QSize& size)
{
    if (size.isEmpty() || size == ImageArrows.size()) return;
    QPixmap canvas(size);
    canvas.fill(Qt::white);
    if (!ImageArrows.isNull()) {
        QPainter painter(&canvas);
        painter.drawPixmap(0, 0, ImageArrows);
    }
    ImageArrows = canvas;
    UpdateCanvas();
}

// ---- mouse and navigation ------------------------------------------------------------------------

bool TFormVisualizationTree::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == MdiAreaValue->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->position().toPoint();
            FormMouseDown(mouse->button(), mouse->buttons(), mouse->modifiers(), at.x(), at.y());
            return true;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->position().toPoint();
            FormMouseMove(mouse->buttons(), mouse->modifiers(), at.x(), at.y());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->position().toPoint();
            FormMouseUp(mouse->button(), mouse->buttons(), mouse->modifiers(), at.x(), at.y());
            return true;
        }
        case QEvent::ContextMenu:
            return true;  // the popup opens on the press already
        case QEvent::Resize:
            ResizeCanvas(static_cast<QResizeEvent*>(event)->size());
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

TNavigationMode TFormVisualizationTree::NavigationMode() const
{
    if (MenuItemTranslate->isChecked()) return TNavigationMode::Translate;
    if (MenuItemZoomIn->isChecked()) return TNavigationMode::ZoomIn;
    if (MenuItemZoomOut->isChecked()) return TNavigationMode::ZoomOut;
    if (MenuItemInstantZoom->isChecked()) return TNavigationMode::InstantZoom;
    return TNavigationMode::None;
}

void TFormVisualizationTree::SetNavigationMode(QAction* item)
{
    for (QAction* each : PopupMenuOperations->actions()) each->setChecked(false);
    QWidget* canvas = MdiAreaValue->viewport();
    if (item == MenuItemTranslate) canvas->setCursor(ViewCursor(TViewCursor::Pan));
    if (item == MenuItemZoomIn) canvas->setCursor(ViewCursor(TViewCursor::ZoomIn));
    if (item == MenuItemZoomOut) canvas->setCursor(ViewCursor(TViewCursor::ZoomOut));
    if (item == MenuItemInstantZoom) canvas->setCursor(ViewCursor(TViewCursor::InstantZoom));
    if (item == MenuItemNone) canvas->unsetCursor();
    item->setChecked(true);
}

void TFormVisualizationTree::FormMouseDown(Qt::MouseButton, Qt::MouseButtons buttons, Qt::KeyboardModifiers, int x, int y)
{
    TranslatingValue = false;
    if (buttons & Qt::RightButton) {
        PopupMenuOperations->popup(MdiAreaValue->viewport()->mapToGlobal(QPoint(x, y)));
        return;
    }
    switch (NavigationMode()) {
    case TNavigationMode::None:
    case TNavigationMode::InstantZoom:
        break;
    case TNavigationMode::ZoomIn:
        if (VisTreeValue) VisTreeValue->ZoomAt(x, y, 1.1f, 1.1f);
        break;
    case TNavigationMode::ZoomOut:
        if (VisTreeValue) VisTreeValue->ZoomAt(x, y, 0.9f, 0.9f);
        break;
    case TNavigationMode::Translate:
        TranslatingValue = true;
        LastMouseXValue = x;
        LastMouseYValue = y;
        break;
    }
}

void TFormVisualizationTree::FormMouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y)
{
    if (TranslatingValue) {
        if (VisTreeValue) VisTreeValue->Translate(x - LastMouseXValue, y - LastMouseYValue);
        LastMouseXValue = x;
        LastMouseYValue = y;
    }
    if (VisTreeValue && NavigationMode() == TNavigationMode::InstantZoom) VisTreeValue->InstantZoom(x, y);
}

void TFormVisualizationTree::FormMouseUp(Qt::MouseButton, Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
{
    TranslatingValue = false;
}
