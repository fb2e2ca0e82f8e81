#pragma once
// A workspace window: one dataset, its selections controller and up to twenty views, one
// per (hidden-tab) page; a label panel telling where the data came from, how many records
// it holds, its place in the exploration tree and a comment that becomes the caption.
//
// Geometry follows the form's own conventions: Left/Top/Width/Height are the sub-window's
// geometry in the MDI area's coordinates; the components inside sit at fixed positions on
// the client widget and are moved by the layout routines below.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMdiSubWindow>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class TFormVisualizationTree;
class TDatabaseTable;
class TPreProcessedData;
class TSelectionsController;
struct TTableBacking;
class TTableSource;
class TVisTreeCompositionNode;

class TFormVisWorkspace : public QMdiSubWindow {
    Q_OBJECT
public:
    static constexpr int TabSheetCount = 20;
    static constexpr int TechniqueCount = 5;  // rows of the list of techniques (techniques/Techniques.h)

    // Adds itself to the main window's MDI area (none: a free window without size
    // constraints, as tests use it) and shows itself.
    explicit TFormVisWorkspace(TFormVisualizationTree* mainWindow);
    ~TFormVisWorkspace() override;

    // ---- loading (each called once, right after construction)
    bool LoadFromTextFile(const std::string& fileName);
    bool LoadFromTable(TTableSource& table, const std::string& tableName);
    // The selected records of a parent workspace; false, loading nothing, without any.
    bool LoadFromSelection(TSelectionsController* controller, TPreProcessedData* parentData, bool fullDomain);
    // The union of the datasets of the composition's members (those with records), with
    // their condition texts joined by " OR ".
    void LoadFromComposition(TVisTreeCompositionNode* composition);

    // ---- workspaces of a database table (UVisWorkspaceTable.cpp)
    // The root of a table: the whole table while it holds at most `recordLimit` rows (0: no
    // limit), otherwise a sample of that many, normalised over the engine's ranges of the
    // whole table. False after a message, or without one when cancelled.
    bool LoadFromDatabaseTable(std::shared_ptr<TDatabaseTable> table, std::int64_t recordLimit,
                               std::function<bool()> keepGoing = {});
    // A pipeline of `parent`'s selection: asked of the engine when `parent` came from a
    // table that can answer it (every matching record up to the limit, a sample beyond),
    // otherwise built from the parent's records (LoadFromSelection).
    bool LoadPipeline(TFormVisWorkspace* parent, TSelectionsController* controller, TPreProcessedData* parentData,
                      bool fullDomain);
    // The table this workspace's records come from, and their lineage; null for the others.
    const TTableBacking* TableBacking() const { return Backing.get(); }

    // ---- operations of the exploration tree
    // Unique within the process; compared as text.
    const std::string& Identifier() const { return IdentifierValue; }
    void SetLevelText(const std::string& text);
    void UpdateLevelLabel();
    void SetPipelineAllowed(bool value);
    bool PipelineAllowed() const { return PipelineAllowedValue; }
    void DetachActiveView(bool detach);
    // Where the detached view's window goes: 40 below the main window's top, 90 % of its
    // width, with the workspace's aspect ratio; smaller (aspect kept) where that would run
    // past the bottom of `screen`, the available part of the screen. The window manager's
    // title bar comes on top of the rectangle.
    static QRect DetachedGeometry(const QRect& mainWindow, const QSize& workspace, const QRect& screen);
    bool IsViewDetached() const { return ViewDetached; }
    bool ContainsPoint(int x, int y) const;
    bool CanGrow() const;
    bool CanShrink() const;
    void MoveBy(int dx, int dy);
    void MoveTo(int x, int y);
    void ResizeTo(int width, int height);
    // What the open details (the controls above the views, the label panel below them) add
    // to the workspace's height; 0 with both collapsed.
    int DetailsHeight() const;
    // The size the tree lays out, `height` without the open details, which stay open: the
    // window is that much taller.
    void FitTo(int width, int height);
    void ScaleBy(float widthFactor, float heightFactor);
    void CollapseDetails();

    int Left() const { return geometry().x(); }
    int Top() const { return geometry().y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }

    // ---- contents
    TPreProcessedData* Data() const { return DataValue.get(); }
    TSelectionsController* SelectionsController() const { return SelectionsControllerValue.get(); }
    TFormVisualizationTree* MainWindow() const { return MainWindowValue; }
    bool UpperDetailsShown() const { return UpperDetailsShownValue; }
    bool LowerDetailsShown() const { return LowerDetailsShownValue; }

    // The condition text shown after "- WHERE ", then the labels restacked.
    void SetWhereClause(const std::string& text);
    // The caption of the condition label (UTF-8).
    std::string WhereClause() const;
    // Index of the technique an item text names (by "Parallel", "Scatter", "Star", "Table",
    // "Fastmap", in that order); -1 for none.
    static int TechniqueIndex(const QString& itemText);
    // Opens a view of technique `index` on the first free page.
    void CreateView(int index);
    // Index of the active page, -1 when no page tab is shown.
    int ActivePageIndex() const;
    // The view on the active page, or else the detached one; none without a view.
    QWidget* ActiveView() const;

    // Mouse moves over the workspace, in its own coordinates: passed on to the main window
    // in the main window's client coordinates, so drags and instant zoom go on across it.
    void FormMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OutOfMemory(const std::string& what);
    void FormCreate();
    void FormResize();
    void LayoutUpperDetails();
    void LayoutLowerDetails();
    void PanelLabelResize();
    void StackLabels();
    void ButtonUpperDetailsClick();
    void ButtonLowerDetailsClick();
    void RestackTree();
    void ComboBoxVisualizationsChange();
    void ButtonGoVisClick();
    void PageControlVisualizationsChange();
    void LabelCommentClick();
    void EditCommentChange();
    void FinishLoad();
    bool LoadPushedDownSelection(const TTableBacking& parent, TSelectionsController* controller,
                                 TPreProcessedData* parentData, bool fullDomain);
    bool LoadCompositionFromTable(TVisTreeCompositionNode* composition);
    std::shared_ptr<TTableBacking> Backing;

    int FirstFreeTabSheet() const;
    std::unique_ptr<QWidget> NewView(int index);
    // A short message in the middle of the view area, gone after a few seconds.
    void ShowViewMessage(const QString& text);
    QLabel* ViewMessage = nullptr;
    QTimer* ViewMessageTimer = nullptr;

    // Size changes made by code run the resize handlers at once, as the layout relies on.
    void SetFormSize(int width, int height);
    void SetFormHeight(int height) { SetFormSize(Width(), height); }
    void SetPanelHeight(int height);
    void SetPanelWidth(int width);
    void FitLabel(QLabel* label, int width);
    void SetLevelCaption(const std::string& caption);
    int LevelWidth() const;

    TFormVisualizationTree* MainWindowValue;
    std::string IdentifierValue;
    bool UpperDetailsShownValue = true;
    bool LowerDetailsShownValue = true;
    bool LayingOut = false;
    bool Constructing = true;
    bool SettingFormSize = false;
    bool ViewDetached = false;
    bool Maximised = false;
    QSize ConstraintMinimum, ConstraintMaximum;  // the size constraints while not maximised
    bool PipelineAllowedValue = true;
    std::array<int, TechniqueCount> ViewCount{};
    std::string LevelCaption = "- ";

    // Views are freed before the dataset and controller they use (see the destructor).
    std::vector<std::unique_ptr<QWidget>> Views;
    std::unique_ptr<QWidget> DetachedWindow;
    QWidget* DetachedView = nullptr;  // one of Views, while it is in DetachedWindow
    int DetachedPage = -1;            // the page it came from
    std::unique_ptr<TPreProcessedData> DataValue;
    std::unique_ptr<TSelectionsController> SelectionsControllerValue;

    QWidget* Client = nullptr;
    QGroupBox* GroupBoxControls = nullptr;
    QComboBox* ComboBoxVisualizations = nullptr;
    QPushButton* ButtonGoVis = nullptr;
    QPushButton* ButtonUpperDetails = nullptr;
    QTabWidget* PageControlVisualizations = nullptr;
    QPushButton* ButtonLowerDetails = nullptr;
    QFrame* PanelLabel = nullptr;
    QLabel* LabelWhereWord = nullptr;
    QLabel* LabelWhereClause = nullptr;
    QLabel* LabelTotal = nullptr;
    QLabel* LabelLevel = nullptr;
    QLabel* LabelComment = nullptr;
    QLineEdit* EditComment = nullptr;
};
