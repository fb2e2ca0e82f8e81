#pragma once
// A scatter plot matrix on a small dataset, sized so that widget pixels and logical units
// coincide, with the workspace's shared controller; paints into a recording.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/PreProcessedData.h"
#include "render/RecordingDrawing.h"
#include "techniques/scatter/ScatterPlots.h"
#include "tests/support/UnitScaleData.h"
#include "vis/SelectionsController.h"

class ScatterFixture : public ::testing::Test {
protected:
    // Five dimensions in units 0 … 10, four records.
    void SetUp() override
    {
        Open({"alpha", "beta", "gamma", "delta", "epsilon"},
             {{0, 0.5f, 1, 0.25f}, {1, 0, 0.5f, 0.75f}, {0, 1, 0.5f, 1}, {0.2f, 0.4f, 0.6f, 0.8f}, {1, 1, 0, 0}});
    }

    void Open(const std::vector<std::string>& names, const std::vector<std::vector<float>>& columns)
    {
        View.reset();
        Data = MakeUnitScaleData(names, columns, 10.0f);
        Data->TimeDiscreteRange = 12;
        Data->TimeMoment = Data->RecordsNumber;
        Controller = std::make_unique<TSelectionsController>();
        Controller->BindData(Data.get());
        View = std::make_unique<TScatterPlots>();
        ASSERT_TRUE(View->SetPreProcessedData(Data.get()));
        View->SetSelectionsController(Controller.get());
        View->LayOutSpace(1280, 1024);
        View->resize(View->SpaceWidth, View->SpaceHeight);
        View->Repaint();  // binds the controller's callbacks, as the workspace's first paint
    }

    // The full paint, and the overlay the window draws over it.
    TRecordingDrawing Paint(bool overlay = true)
    {
        TRecordingDrawing recording;
        TCurrentDrawing current(recording);
        View->Paint();
        if (overlay) View->PaintOverlay();
        return recording;
    }

    // Widget position of a logical point (one pixel per unit).
    int WidgetY(int logicalY) const { return View->height() - logicalY; }
    void Move(int x, int y, Qt::MouseButtons buttons = Qt::NoButton, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        View->MouseMoveOnPanel(buttons, keys, x, WidgetY(y));
    }
    void Click(int x, int y, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Move(x, y);
        View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, keys, x, WidgetY(y));
        View->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, keys, x, WidgetY(y));
    }
    void Drag(int fromX, int fromY, int toX, int toY)
    {
        Move(fromX, fromY);
        View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, fromX, WidgetY(fromY));
        Move(toX, toY, Qt::LeftButton);
        View->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::NoModifier, toX, WidgetY(toY));
    }
    // The middle of a cell.
    void MoveInto(int column, int line)
    {
        const TScatterRect r = View->Layout.Cell(column, line);
        Move((r.X0 + r.X1) / 2, (r.Y0 + r.Y1) / 2);
    }

    static std::vector<TRecordedPoint> RecordPoints(const TRecordingDrawing& r) { return r.PointsMeaning(TMeaning::Record); }
    // Record points inside a rectangle.
    static std::vector<TRecordedPoint> PointsIn(const TRecordingDrawing& r, const TScatterRect& rect)
    {
        std::vector<TRecordedPoint> inside;
        for (const TRecordedPoint& p : RecordPoints(r))
            if (rect.X0 <= p.V.X && p.V.X <= rect.X1 && rect.Y0 <= p.V.Y && p.V.Y <= rect.Y1) inside.push_back(p);
        return inside;
    }

    std::unique_ptr<TPreProcessedData> Data;
    std::unique_ptr<TSelectionsController> Controller;
    std::unique_ptr<TScatterPlots> View;
};
