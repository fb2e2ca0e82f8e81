#pragma once
// The table lens: one column per dimension and one row per record, a bar per cell growing
// with the record's normalised value; rows ordered by the column last clicked; the hovered
// row shows its values; brushes are bands across a column.
//
// The logical space is SpaceWidth (the base's) across and the panel's own height up, one
// unit per pixel vertically (never less than the rows' minimum). All rows would be far
// taller than any window, so the panel is a window onto them: a vertical scroll bar (a
// child at the panel's right edge, shown only when the rows do not fit), the mouse wheel,
// PageUp/PageDown and Home/End move through the rows while headers and footer stay put.
// Only the visible rows are drawn; the row under the pointer follows from arithmetic.

#include <memory>

#include "techniques/tablelens/TableLensColumnsList.h"
#include "techniques/tablelens/TableLensMethods.h"
#include "techniques/tablelens/TableLensRecordList.h"
#include "vis/UTrackBarForm.h"
#include "vis/VisualizationPanel.h"

class QAction;
class QScrollBar;

class TTableLens : public TVisualizationPanel {
    Q_OBJECT

public:
    explicit TTableLens(QWidget* parent = nullptr);
    ~TTableLens() override;

    void Paint() override;
    // The hovered row and its labels, over the picture (see RepaintOverlay).
    void PaintOverlay() override;
    bool SetPreProcessedData(TPreProcessedData* data) override;
    // Widget positions (device-independent pixels); converted into the logical space here.
    void MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                          int y) override;
    void MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                        int y) override;
    void MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y) override;
    void SetDrawMode(ENUM_drawModes mode) override;
    // The column the pointer was last within (−1 before any); the position is not used.
    void GetDimensionAtPosition(int& dimension, int x, int y) override;
    // In the header of the hovered column, the value under x; −1 elsewhere.
    float GetValueAtPosition(int x, int y) override;
    TVisualizationMethods* GetMethods() override { return Methods.get(); }

    float Thickness() const { return Layout.Thickness; }
    // Clamped into 1 … 1000 (not-a-number gives 1); keeps the row at the top in view.
    void SetThickness(float thickness);
    void ShowThicknessTrackerClick();

    // ---- the viewport
    const TTableLensRowLayout& RowLayout() const { return Layout; }
    std::int64_t Scroll() const { return Layout.Scroll; }
    // Clamped; repaints when it changes.
    void ScrollTo(std::int64_t scroll);
    void ScrollBy(std::int64_t units) { ScrollTo(Layout.Scroll + units); }
    QScrollBar* VerticalScrollBar() const { return ScrollBar; }
    // Width of the drawing in widget pixels (the panel less a shown scroll bar).
    int DrawWidth() const;
    // A widget position in the logical space.
    QPoint ToLogical(int x, int y) const;
    // Like the panel's, over the drawing's width (the scroll bar's strip is not drawn on).
    float PixelsAcross(float pixels) const;

    std::unique_ptr<TTableLensMethods> Methods;
    TTableLensColumnsList TableLensColumnsList;
    TTableLensRecordList TableLensRecordList;
    std::unique_ptr<TFormTrackBar> ThicknessTracker;
    QAction* ThicknessTrackerItem = nullptr;
    bool Dragging = false;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetupProjection();
    void SetupView();  // viewport and projection, without clearing
    void InstallSelectionFunctions();
    void DrawRelevanceMarkers();
    // What is drawn over the rows: bands, statistics lines, relevance markers.
    void DrawOverRows();
    // The logical height from the panel's, the rows shown, the scroll range and the bar.
    // Also runs at every paint and conversion: a panel never shown gets no resize event.
    void UpdateSpaceHeight();
    void UpdateScrollBar();
    // The row under logical height y becomes the hovered one; answers whether it changed.
    bool TrackRow(int y);

    TTableLensRowLayout Layout;
    QScrollBar* ScrollBar = nullptr;
    std::int64_t ScrollUnitsPerStep = 1;  // scroll units per scroll-bar step (huge tables)
    bool UpdatingScrollBar = false;
    QPoint LastPointer{-1, -1};  // logical; (−1, −1) while the pointer is away
};
