#pragma once
// The scatter plot matrix: every pair of dimensions as a small scatter plot (a cell), in
// the triangle of n(n + 1)/2 cells at the lower left of the logical space, diagonal
// included; the zoom cell at the upper right shows the cell the pointer was last over,
// enlarged, with a cross-hair and read-outs. Brushes are boxes on the diagonal cells and
// statistics are marks there (TScatterPlotsMethods). The geometry is TScatterLayout.
//
// Pointer moves repaint only what they change: the whole view when the focused cell
// changes, only the overlay (the zoom cell's cross-hair) when the pointer moves inside the
// zoom cell, nothing otherwise.

#include <memory>
#include <optional>

#include "techniques/scatter/ScatterCellsList.h"
#include "techniques/scatter/ScatterDensity.h"
#include "techniques/scatter/ScatterPlotsMethods.h"
#include "vis/DensityDrawing.h"
#include "vis/VisualizationPanel.h"

class QAction;
class TFormTrackBar;

class TScatterPlots : public TVisualizationPanel {
    Q_OBJECT

public:
    explicit TScatterPlots(QWidget* parent = nullptr);
    ~TScatterPlots() override;

    void Paint() override;
    void PaintOverlay() override;
    // A dataset given again replaces the first: the cells are built from empty, and the
    // focused cell, the current cell, the zoom cell and the kept columns are forgotten.
    bool SetPreProcessedData(TPreProcessedData* data) override;
    // Widget positions (device-independent pixels); converted into the logical space here.
    void MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                          int y) override;
    void MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                        int y) override;
    void MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y) override;
    void SetDrawMode(ENUM_drawModes mode) override;
    // The line dimension of the last cell the pointer was over; unchanged before any.
    void GetDimensionAtPosition(int& dimension, int x, int y) override;
    // In the current cell, when it is diagonal and holds (x, y): the horizontal fraction of
    // x across it. −1 otherwise.
    float GetValueAtPosition(int x, int y) override;
    TVisualizationMethods* GetMethods() override { return Methods.get(); }

    // The cells' point size (0 without cells list); the zoom cell's is 3 more. Repaints.
    float PointSize() const { return ScatterCellsList ? ScatterCellsList->PointSize() : 0.0f; }
    void SetPointSize(float size);
    bool GetViewScatterCellIndexes() const { return ViewScatterCellIndexes; }

    // Lays the matrix out again in a logical space of the given size, from empty as for a
    // new dataset (the view's space is the screen's; tests and benchmarks choose theirs).
    void LayOutSpace(int width, int height);

    void ShowCellsIndexesClick();
    void ShowPointSizeTrackerClick();
    void PointSizeTrackerChange(int position);

    // ---- density drawing
    // From this many records on, automatic mode draws densities: exact drawing of more
    // records takes over 50 ms a repaint under Mesa's software rasteriser on a 2-core
    // machine (about 4.6 µs a record with 11 dimensions).
    static constexpr std::size_t DensityThreshold = 10000;
    TDrawingChoice DrawingChoice() const { return DrawingChoiceValue; }
    // Sets the choice (and the popup's check mark) and repaints.
    void SetDrawingChoice(TDrawingChoice choice);
    // Whether the last paint drew records as densities, and the note it wrote.
    bool DrawsDensityNow() const { return DensityShown; }
    std::string DensityNote() const;
    TScatterDensity Density;
    TDensityDrawingMenu DensityMenu;

    std::unique_ptr<TScatterPlotsMethods> Methods;
    std::unique_ptr<TFormTrackBar> PointSizeTracker;
    TScatterLayout Layout;
    // The cell the pointer was last over; none until it has been over one.
    std::optional<TScatterCellIndexes> CurrentCellIndexes;
    std::unique_ptr<TScatterCellsList> ScatterCellsList;
    QAction* PointSizeTrackerItem = nullptr;
    QAction* CellsIndexesItem = nullptr;

private:
    void ComputeLayout();
    void SetupProjection();
    void InstallSelectionFunctions();
    // The settings every cell of a paint shares (texts sized in window pixels).
    TScatterPaint PaintSettings() const;
    // Draws the cells and the zoom cell, exactly or as densities; true when densities.
    bool DrawRecords(const TScatterPaint& paint);
    void DrawDensityNote(const TScatterPaint& paint);

    bool ViewScatterCellIndexes = false;
    TDrawingChoice DrawingChoiceValue = TDrawingChoice::Automatic;
    bool DensityShown = false;
};
