#pragma once
// Parallel coordinates: one vertical axis per dimension across the logical space and one
// polyline per record through its normalised values; brushes on the axes.
//
// Geometry (logical units): Margin = 30; with n dimensions and w = SpaceWidth div n, the
// axis in slot s stands at x = (w div 2) + s × w and runs from y = Margin (value 0) to
// y = SpaceHeight − Margin (value 1). Slot s shows dimension GetAxisOrder()[s]: the
// dimensions in their own order until "Order by" sorts this view's axes by ascending
// standard deviation. The order belongs to the view; other views of the dataset keep
// theirs.

#include <memory>
#include <vector>

#include <QString>

#include "techniques/parallel/ParallelCoordinatesPolyLinesList.h"
#include "techniques/parallel/ParallelDensity.h"
#include "techniques/parallel/ParallelCoordsMethods.h"
#include "vis/DensityDrawing.h"
#include "vis/ValueScale.h"
#include "vis/VisualizationPanel.h"

class TParallelCoordinates : public TVisualizationPanel {
    Q_OBJECT

public:
    static constexpr int Margin = 30;

    explicit TParallelCoordinates(QWidget* parent = nullptr);
    ~TParallelCoordinates() override;

    void Paint() override;
    bool SetPreProcessedData(TPreProcessedData* data) override;
    // Widget positions (device-independent pixels); converted into the logical space here.
    void MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                          int y) override;
    void MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                        int y) override;
    void MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y) override;
    void SetDrawMode(ENUM_drawModes mode) override;
    // The dimension whose axis region holds x; right of the last region, the last one.
    void GetDimensionAtPosition(int& dimension, int x, int y) override;
    // (y − Margin) / (SpaceHeight − 2 × Margin); never −1.
    float GetValueAtPosition(int x, int y) override;
    TVisualizationMethods* GetMethods() override { return Methods.get(); }

    // Orders this view's axes by ascending standard deviation of their dimensions.
    void OrderByClick();

    // The name of the view's font; setting it also makes it the text font and repaints.
    QString Font() const { return ViewFont.family(); }
    void SetFont(const QString& name);

    // ---- geometry
    // Normalised value ↔ y on every axis: value 0 at Margin, value 1 at SpaceHeight − Margin.
    TValueScale ValueScale() const { return {float(Margin), AxisLength}; }
    // Raster heights of the value texts at the ends of every axis (its highest and lowest
    // value), which statistics labels keep clear of.
    float HighValueLabelY() const { return float(SpaceHeight) - PixelsUp(20); }
    float LowValueLabelY() const { return PixelsUp(5); }
    // x of the axis of `dimension` in this view.
    float GetAxisX(int dimension) const;
    // Slot s → dimension shown there.
    const std::vector<int>& GetAxisOrder() const { return Axes.Order; }
    // The dimension of the axis region that holds x: -1 left of the first one; right of the
    // last, the last one when `clampRight`, otherwise -1.
    int DimensionAtX(int x, bool clampRight) const;
    // The full name of the axis whose (possibly cut) name lies at logical (x, y); empty
    // elsewhere. Shown as the view's tool tip while the pointer is there.
    std::string AxisNameAt(int x, int y) const;

    // ---- density drawing
    // From this many records on, automatic mode draws densities: exact drawing of more
    // records takes over 50 ms a repaint under Mesa's software rasteriser on a 2-core
    // machine (about 14 µs a record with 11 dimensions).
    static constexpr std::size_t DensityThreshold = 3000;
    TDrawingChoice DrawingChoice() const { return DrawingChoiceValue; }
    // Sets the choice (and the popup's check mark) and repaints.
    void SetDrawingChoice(TDrawingChoice choice);
    // Whether the last paint drew records as densities, and the note it wrote.
    bool DrawsDensityNow() const { return DensityShown; }
    std::string DensityNote() const;
    TParallelDensity Density;
    TDensityDrawingMenu DensityMenu;

    std::unique_ptr<TParallelCoordsMethods> Methods;
    float AxisLength = 0.0f;
    float AxisSpacing = 0.0f;
    std::unique_ptr<TParallelCoordinatesPolyLinesList> PolyLines;
    bool Dragged = false;
    QAction* MenuItemOrderBy = nullptr;

private:
    void SetupProjection();
    void InstallSelectionFunctions();
    void DrawAxes();
    void DrawRelevanceOverlay();
    // Characters of an axis name that fit between two axes at 8 pixels each.
    int MaxNameCharacters() const;
    // Lays the axes out in `order` (slot → dimension).
    void SetAxisOrder(std::vector<int> order);
    int AxisStep() const;
    // Draws the records, exactly or as densities (see DensityThreshold); true when densities.
    bool DrawRecords();
    void DrawDensityNote();

    TParallelAxesGeometry Axes;
    std::vector<float> XOfDimension;
    TDrawingChoice DrawingChoiceValue = TDrawingChoice::Automatic;
    bool DensityShown = false;
};
