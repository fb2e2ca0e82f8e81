#pragma once
// The main window, "Visualization Tree": the MDI area in which the workspace windows live,
// the data-access controls that load the first dataset (a text file or a database table),
// the canvas under the workspaces on which the exploration tree draws its links, and the
// navigation of that tree by mouse (translate, zoom in and out, instant zoom).
//
// Client coordinates are those of the MDI area's viewport: workspaces are placed in them
// and every mouse position passed to the tree is in them.

#include <memory>
#include <string>

#include <QMainWindow>
#include <QPixmap>

class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMdiArea;
class QMenu;
class QLabel;
class QPushButton;
class QSpinBox;
class TDatabaseAccess;
class TFormVisWorkspace;
class TPreProcessedData;
class TSelectionsController;
class TTableSource;
class TVisTree;

enum class TNavigationMode { None, Translate, ZoomIn, ZoomOut, InstantZoom };

class TFormVisualizationTree : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormVisualizationTree(QWidget* parent = nullptr);
    ~TFormVisualizationTree() override;

    // ---- requests of the views
    // A child workspace on the selection of `parentWorkspace`'s view, linked into the tree.
    void OpenPipelineWorkspace(TSelectionsController* controller, TPreProcessedData* data,
                               TFormVisWorkspace* parentWorkspace, bool fullDomain);
    void PruneWorkspaceBranch(TFormVisWorkspace* workspace);

    // ---- mouse on the canvas, in client coordinates
    void FormMouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
    // Also called by the workspaces for moves over them.
    void FormMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
    void FormMouseUp(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);

    // ---- what the tree uses
    int ClientWidth() const;
    int ClientHeight() const;
    QMdiArea* MdiArea() const { return MdiAreaValue; }
    // The canvas under the workspaces (white, the client area's size). Draw on it, then
    // call UpdateCanvas to show what was drawn.
    QPixmap& Canvas() { return ImageArrows; }
    void UpdateCanvas();
    // The parent of widgets that lie on the canvas above the links (the tree's markers).
    QWidget* CanvasWidget() const;
    // Brings every maximised workspace back to its place in the tree.
    void RestoreMaximisedWorkspaces();
    TVisTree* VisTree() const { return VisTreeValue.get(); }

    // ---- state
    TNavigationMode NavigationMode() const;
    bool Translating() const { return TranslatingValue; }
    int LastMouseX() const { return LastMouseXValue; }
    int LastMouseY() const { return LastMouseYValue; }

    // The command line: program, then a database file and a table name. With both, the
    // window connects to the file's database and offers "Start here!". A single data file
    // (.lumet, .csv, .tsv, .txt) is loaded at once, as "Load data" loads it; otherwise
    // nothing changes. Arguments beginning with "-" are options and are skipped.
    void ApplyCommandLine(const QStringList& arguments);

    // ---- the File menu
    // The workspace the File menu's commands work on: the current workspace window (the
    // root's before any other was activated); none before the first load.
    TFormVisWorkspace* ActiveWorkspace() const;
    // "Load data": the file dialog, then the load (only before the first load).
    void MenuItemLoadDataClick();
    // "Open in New Window…": a second workbench process on the chosen file.
    void MenuItemOpenInNewWindowClick();
    bool OpenInNewWindow(const QString& fileName);
    // "Save View Image…": the active workspace's active view as PNG or SVG (by extension).
    void MenuItemSaveViewImageClick();
    bool SaveViewImage(const QString& fileName);
    // The save dialog for `view`, then the picture (also a view's own popup command).
    void SaveViewImageDialog(QWidget* view);
    // PNG: the view's pixels at the window's pixel size. SVG: what the view draws, written
    // from a recording of one paint (two-dimensional views).
    bool SaveViewImage(QWidget* view, const QString& fileName);
    // "Export Records…": the active workspace's brushed records (all without a selection)
    // as CSV or .lumet (by extension).
    void MenuItemExportRecordsClick();
    bool ExportRecords(const QString& fileName);
    // Where the save dialogs start: the folder of the last file saved (a view image or exported
    // records), else the home folder.
    QString SaveDirectory() const;
    // The filter of every dialog that opens a data file.
    static QString DataFileFilter();

    // ---- actions of the controls
    void ButtonGoTextFileClick();
    void ButtonGoClick();
    void ButtonSearchFileClick();
    void ComboBoxSelectDBExit();

protected:
    void showEvent(QShowEvent* event) override;
    // With more than the root workspace in the tree, asks before the exploration goes.
    void closeEvent(QCloseEvent* event) override;
    void HideOtherWindows();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void SetNavigationMode(QAction* item);
    void ResizeCanvas(const QSize& size);
    void ShowDataAccess(bool visible);
    void RememberSaveDirectory(const QString& savedFile);

    bool TranslatingValue = false;
    int LastMouseXValue = 0;
    int LastMouseYValue = 0;
    bool Shown = false;
    bool LeavingConnectionBox = false;
    QString LastSaveDirectory;

    // The table is closed before its connection goes.
    std::unique_ptr<TDatabaseAccess> ZDatabaseAccess;
    std::unique_ptr<TTableSource> DatabaseTable;
    std::unique_ptr<TVisTree> VisTreeValue;
    QPixmap ImageArrows;

    QMdiArea* MdiAreaValue = nullptr;
    QMenu* MenuItemFile = nullptr;
    QAction* MenuItemLoadData = nullptr;
    QAction* MenuItemOpenInNewWindow = nullptr;
    QAction* MenuItemSaveViewImage = nullptr;
    QAction* MenuItemExportRecords = nullptr;
    QAction* MenuItemQuit = nullptr;
    QGroupBox* GroupBoxDataAccess = nullptr;
    QPushButton* ButtonGo = nullptr;
    QComboBox* ComboBoxSelectDB = nullptr;
    QComboBox* ComboBoxSelectTable = nullptr;
    // Tables with more rows are sampled at the root (0: never); Records= sets it too.
    QLabel* LabelRecordLimit = nullptr;
    QSpinBox* SpinBoxRecordLimit = nullptr;
    void AddRecordLimitControl();
    void TakeRecordLimitOfConnection();
    QLineEdit* EditTextFile = nullptr;
    QPushButton* ButtonSearchFile = nullptr;
    QPushButton* ButtonGoTextFile = nullptr;
    QPushButton* ButtonStart = nullptr;
    QMenu* PopupMenuOperations = nullptr;
    QAction* MenuItemTranslate = nullptr;
    QAction* MenuItemZoomIn = nullptr;
    QAction* MenuItemZoomOut = nullptr;
    QAction* MenuItemInstantZoom = nullptr;
    QAction* MenuItemNone = nullptr;
};
