#pragma once
// A parallel coordinates view on a small dataset, sized so that widget pixels and logical
// units coincide, with the workspace's shared controller; paints into a recording.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/PreProcessedData.h"
#include "tests/support/UnitScaleData.h"
#include "render/RecordingDrawing.h"
#include "techniques/parallel/ParallelCoordinates.h"
#include "vis/SelectionsController.h"
#include "vis/UDoubleTrackBarForm.h"
#include "vis/UTrackBarForm.h"

#include <QSlider>

// Columns on the unit scale already (normalised value = value), in the dimensions' own
// units from 0 to 10.
inline std::unique_ptr<TPreProcessedData> MakeParallelData(const std::vector<std::string>& names,
                                                          const std::vector<std::vector<float>>& columns)
{
    auto data = MakeUnitScaleData(names, columns, 10.0f);
    data->TimeDiscreteRange = 12;
    data->TimeMoment = data->RecordsNumber;
    return data;
}

class ParallelFixture : public ::testing::Test {
protected:
    // Records: alpha 0, 0.5, 1, 0.25; beta 1, 0, 0.5, 0.75; gamma 0, 1, 0.5, 1.
    void SetUp() override { Open({"alpha", "beta", "gamma"}, {{0, 0.5f, 1, 0.25f}, {1, 0, 0.5f, 0.75f}, {0, 1, 0.5f, 1}}); }

    void Open(const std::vector<std::string>& names, const std::vector<std::vector<float>>& columns)
    {
        View.reset();
        Data = MakeParallelData(names, columns);
        Controller = std::make_unique<TSelectionsController>();
        Controller->BindData(Data.get());
        View = std::make_unique<TParallelCoordinates>();
        ASSERT_TRUE(View->SetPreProcessedData(Data.get()));
        View->SetSelectionsController(Controller.get());
        View->resize(View->SpaceWidth, View->SpaceHeight);
        View->Repaint();  // binds the controller's callbacks, as the workspace's first paint
    }

    TRecordingDrawing Paint()
    {
        TRecordingDrawing recording;
        TCurrentDrawing current(recording);
        View->Paint();
        return recording;
    }

    // Logical y of a normalised value, and the widget position of a logical point.
    int Y(float v) const { return View->ValueScale().ToLogicalInt(v); }
    int WidgetY(int logicalY) const { return View->height() - logicalY; }
    int AxisX(int dimension) const { return int(View->GetAxisX(dimension)); }

    void Move(int dimension, int logicalY, Qt::MouseButtons buttons = Qt::NoButton)
    {
        View->MouseMoveOnPanel(buttons, Qt::NoModifier, AxisX(dimension), WidgetY(logicalY));
    }
    void Click(int dimension, int logicalY, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Move(dimension, logicalY);
        View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, keys, AxisX(dimension), WidgetY(logicalY));
        View->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, keys, AxisX(dimension), WidgetY(logicalY));
    }
    void Drag(int dimension, int fromY, int toY)
    {
        View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, AxisX(dimension), WidgetY(fromY));
        Move(dimension, toY, Qt::LeftButton);
        View->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::NoModifier, AxisX(dimension), WidgetY(toY));
    }
    // A brush [from, to] on a dimension, made as a user does: Ctrl+click, then a drag.
    void Brush(int dimension, float from, float to)
    {
        Click(dimension, Y(from), Qt::ControlModifier);
        Drag(dimension, Y(from), Y(to));
    }

    // The polyline segments (between two different axes) of a recording.
    static std::vector<TRecordedSegment> RecordSegments(const TRecordingDrawing& recording)
    {
        std::vector<TRecordedSegment> segments;
        for (const TRecordedSegment& s : recording.LineSegments())
            if (s.A.X != s.B.X && s.A.Z != 2.0f && s.State.LineWidth != 5.0f && s.State.LineWidth != 2.0f)
                segments.push_back(s);
        return segments;
    }
    // Records drawn, identified by the y of their first segment's start (alpha value).
    std::vector<float> FirstAxisValuesDrawn(const TRecordingDrawing& recording) const
    {
        std::vector<float> values;
        for (const TRecordedSegment& s : RecordSegments(recording))
            if (s.A.X == float(AxisX(0))) values.push_back(View->ValueScale().ToValue(s.A.Y));
        return values;
    }

    static constexpr int Margin = TParallelCoordinates::Margin;
    std::unique_ptr<TPreProcessedData> Data;
    std::unique_ptr<TSelectionsController> Controller;
    std::unique_ptr<TParallelCoordinates> View;
};
