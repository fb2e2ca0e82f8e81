#pragma once
// The common base of every view: the dataset it shows, the workspace's shared selections
// controller, its statistics, the draw mode, the popup menu with the statistics, selection,
// draw-mode, pipeline and time commands, the mouse protocol that turns clicks into
// selection events or relevance points, the "Max Relevance Distance" tracker, the time
// line, and the callbacks through which a view asks the main window to open a pipeline
// workspace or prune a branch.
//
// A technique overrides Paint, SetPreProcessedData, the three mouse handlers, SetDrawMode,
// GetDimensionAtPosition and GetValueAtPosition. Its mouse handlers receive widget
// positions, convert them into the logical space (ToSpace) and call the base with the
// logical position. Every command repaints synchronously (Repaint()).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QFont>
#include <QPoint>

#include "data/StatisticsList.h"
#include "render/gl/OpenGLPanel.h"
#include "vis/SelectionsController.h"
#include "vis/VisualizationMethods.h"

class QAction;
class QActionGroup;
class QMenu;
class QMouseEvent;
class TFormDoubleTrackBar;
class TFormTrackBar;

// Opens a pipeline workspace from the selection of `controller` over `data`.
using TPipelineFunction = std::function<void(TSelectionsController* controller, TPreProcessedData* data,
                                             QWidget* parentWorkspace, bool fullDomain)>;
// Prunes the exploration-tree branch of `workspace`. It may destroy the workspace (and so
// the view whose command calls it): a caller touches nothing of itself afterwards.
using TPruneFunction = std::function<void(QWidget* workspace)>;

class TVisualizationPanel : public TOpenGLPanel {
    Q_OBJECT

public:
    explicit TVisualizationPanel(QWidget* parent = nullptr);
    ~TVisualizationPanel() override;

    // ---- the operations a technique overrides
    // Sets HasData; without data the mouse handlers are detached.
    void Paint() override;
    // Null is refused (false, nothing changes). Otherwise stores the dataset, sets the logical
    // space to the screen size, lays out the dataset's axis positions, computes the statistics
    // and drops the time-line window. The dataset stays the workspace's.
    virtual bool SetPreProcessedData(TPreProcessedData* data);
    // Logical positions. `button` is the button that changed, `buttons` those held.
    virtual void MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                                  int y);
    virtual void MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                                int y);
    virtual void MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y);
    virtual void SetDrawMode(ENUM_drawModes mode);
    // The dimension at logical (x, y); -1 when there is none.
    virtual void GetDimensionAtPosition(int& dimension, int x, int y) = 0;
    // The normalised value at logical (x, y), or -1 when there is none.
    virtual float GetValueAtPosition(int x, int y) = 0;
    // The technique's methods object; the base uses it to give the statistics their draw
    // functions again after it rebuilt them.
    virtual TVisualizationMethods* GetMethods() { return nullptr; }

    // ---- menu commands
    virtual void AverageThisDimensionClick();
    virtual void AverageAllClick();
    virtual void AverageCurrentSelectionClick();
    virtual void MedianThisDimensionClick();
    virtual void MedianAllClick();
    virtual void MedianCurrentSelectionClick();
    virtual void ModaValuesThisDimensionClick();
    virtual void ModaValuesAllClick();
    virtual void ModaValuesCurrentSelectionClick();
    virtual void StandardDeviationThisDimensionClick();
    virtual void StandardDeviationAllClick();
    virtual void StandardDeviationCurrentSelectionClick();
    virtual void NewSelectionClick();
    virtual void RemoveSelectionClick();
    virtual void AlternateSelectionClick();
    virtual void RemoveAllSelectionsClick();
    virtual void LogicAndClick();
    virtual void LogicOrClick();
    virtual void LogicXorClick();
    virtual void DrawModeFrequencyClick();
    virtual void DrawModeNormalClick();
    virtual void DrawModeRelevanceClick();
    virtual void PipelinePartialDomainClick();
    virtual void PipelineFullDomainClick();
    virtual void PruneBranchClick();
    void SaveViewImageClick();
    virtual void MaxRelevanceDistanceChange(int position);
    virtual void ShowMaxRelevanceTrackerClick();
    virtual void RemoveAllPointsClick();

    // ---- time line
    void ShowTimeLineClick();
    void TimeMomentChange(int position);
    void TimeRangeChange(int position);
    void TimeLineClose();

    // ---- the rest
    // Frees the view's own controller (if it still has it) and uses `controller`, which
    // stays its owner's.
    void SetSelectionsController(TSelectionsController* controller);
    TSelectionsController* GetSelectionsController() const { return SelectionsController; }
    void SetLogicOperation(ENUM_logicOperations operation);
    TPreProcessedData* PreProcessedData() const { return Data; }
    ENUM_drawModes DrawMode() const { return DrawModeValue; }

    bool HasData = false;
    bool OwnsSelectionsController = true;
    bool PipelineAllowed = true;
    TPipelineFunction SetPipelineViewFunction;
    TPipelineFunction SetPipelineFullViewFunction;  // kept for the workspace; not called here
    TPruneFunction SetPruneBranchFunction;
    // Saves a picture of the view (the popup's "Save View Image…"); the shell sets it.
    std::function<void(TVisualizationPanel* view)> SaveViewImageFunction;
    QWidget* WorkspaceWindow = nullptr;
    int DimensionUnderMouse = -1;
    QFont ViewFont;
    std::unique_ptr<TStatisticsList> StatisticsList;
    std::unique_ptr<TFormTrackBar> MaxRelevanceTracker;
    std::unique_ptr<TFormDoubleTrackBar> TimeLineWindow;

    // The popup menu and the items commands refer to (tests trigger them directly).
    std::unique_ptr<QMenu> ViewPopupMenu;
    QMenu* MenuItemDrawMode = nullptr;
    QMenu* MenuItemStatistics = nullptr;
    QMenu* MenuItemStandardDeviation = nullptr;
    QMenu* MenuItemSelections = nullptr;
    QMenu* MenuItemLogicOperation = nullptr;
    QMenu* MenuItemRelevance = nullptr;
    QMenu* MenuItemPipeline = nullptr;
    QMenu* MenuItemTime = nullptr;
    QAction* MenuItemSaveViewImage = nullptr;
    QAction* MenuItemLogicAnd = nullptr;
    QAction* MenuItemLogicOr = nullptr;
    QAction* MenuItemLogicXor = nullptr;
    // The four "Current Selection" items: they act on the focused brush of the dimension under
    // the pointer, and are disabled (their tip says why) when that dimension holds none.
    std::vector<QAction*> CurrentSelectionItems;
    bool DimensionUnderMouseHoldsABrush() const;
    void UpdateCurrentSelectionItems();

    // ---- the number of records the selections let through
    // The lines that show `shown` of `total` records in a box `widthPixels` wide (8 pixels a
    // character): "197 of 392 records" when it fits, else "197 of 392" over "records", else
    // "197", "of 392", "records", else "197", "of", "392"; none when even that does not fit.
    static std::vector<std::string> RecordCountLines(std::size_t shown, std::size_t total, float widthPixels);
    static constexpr float RecordCountCharacterPixels = 8.0f;
    static constexpr float RecordCountLinePixels = 12.0f;
    // Draws those lines while a selection exists, in black, in the box whose top-left corner
    // is (left, top), `widthPixels` wide, one line under the other (each flush right in the
    // box with `flushRight`). The view gives a box its own drawing leaves free and sets up
    // the projection; `unitsPerPixelX` and `unitsPerPixelY` are what a pixel spans there.
    void DrawRecordCount(float left, float top, float widthPixels, float unitsPerPixelX, float unitsPerPixelY,
                         bool flushRight = false);
    // The same in the logical space of the view's usual projection.
    void DrawRecordCount(float left, float top, float widthPixels, bool flushRight = false)
    {
        DrawRecordCount(left, top, widthPixels, PixelsAcross(1), PixelsUp(1), flushRight);
    }

    // The logical space of a view on this machine: the primary screen's size in
    // device-independent pixels (1280 × 1024 without a screen).
    static QSize ScreenSpace();

protected:
    // Gives the statistics the technique's draw functions again (after a rebuild).
    void ResetStatisticsDrawFunctions();
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

    TSelectionsController* SelectionsController = nullptr;
    TPreProcessedData* Data = nullptr;

private:
    void BuildPopupMenu();
    void Pipeline(bool fullDomain);
    bool ValidDimension(int dimension) const;

    std::unique_ptr<TSelectionsController> OwnSelectionsController;
    ENUM_drawModes DrawModeValue = drawmodeNormal;
    bool MouseHandlersAttached = true;
};
