#pragma once
// A table lens on a small dataset with the workspace's shared controller, in a panel
// 1280 × 1566 (one logical unit per pixel both ways), painting into a recording; and what
// a recording shows of the rows.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/RecordingDrawing.h"
#include "techniques/tablelens/TableLens.h"
#include "tests/support/UnitScaleData.h"
#include "vis/SelectionsController.h"

// One bar of a recorded paint.
struct TBar {
    float X0, X1, Y0, Y1;
    TOpenGLColor Color;
};

class TableLensFixture : public ::testing::Test {
protected:
    void Open(const std::vector<std::string>& names, const std::vector<std::vector<float>>& columns,
              int height = 1566)
    {
        View.reset();
        Data = MakeUnitScaleData(names, columns, 10.0f);
        Controller = std::make_unique<TSelectionsController>();
        Controller->BindData(Data.get());
        View = std::make_unique<TTableLens>();
        View->resize(1280, height);
        ASSERT_TRUE(View->SetPreProcessedData(Data.get()));
        View->SetSelectionsController(Controller.get());
        View->Repaint();
    }

    TRecordingDrawing Paint()
    {
        TRecordingDrawing recording;
        TCurrentDrawing current(recording);
        View->Paint();
        View->PaintOverlay();
        return recording;
    }

    // Widget position of a logical point (exact inverse of the view's conversion).
    int WidgetX(int x) const
    {
        const double w = View->DrawWidth();
        int X = int(std::ceil(double(x) * w / View->SpaceWidth));
        while (View->ToLogical(X, 0).x() < x) ++X;
        return X;
    }
    int WidgetY(int y) const { return View->height() - y; }
    int ColumnMiddle(int i) const
    {
        const TTableLensColumn& c = View->TableLensColumnsList.Column(i);
        return int(c.PosX0 + c.Range / 2);
    }
    int BodyY() const { return 60; }  // inside every column body, below the rows of the tests

    void Move(int x, int y, Qt::MouseButtons buttons = Qt::NoButton, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        View->MouseMoveOnPanel(buttons, keys, WidgetX(x), WidgetY(y));
    }
    void Click(int x, int y, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Move(x, y);
        View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, keys, WidgetX(x), WidgetY(y));
        View->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, keys, WidgetX(x), WidgetY(y));
    }
    void Drag(int fromX, int toX, int y)
    {
        View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, WidgetX(fromX), WidgetY(y));
        Move(toX, y, Qt::LeftButton);
        View->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::NoModifier, WidgetX(toX), WidgetY(y));
    }
    // x of value v in column i, as bands and relevance points read it.
    int XOfValue(int i, float v) const
    {
        const TTableLensColumn& c = View->TableLensColumnsList.Column(i);
        return int(std::lround(c.PosX0 + c.OffsetOfValue(v)));
    }

    // The record bars, by column, top row first.
    std::vector<TBar> Bars(const TRecordingDrawing& recording, int column) const
    {
        const TTableLensColumn& c = View->TableLensColumnsList.Column(column);
        std::vector<TBar> bars;
        for (const TRecordedPrimitive* p : recording.PrimitivesMeaning(TMeaning::Record)) {
            EXPECT_EQ(p->Kind, TPrimitive::Quads);
            EXPECT_EQ(p->Vertices.size() % 4, 0u);
            for (std::size_t q = 0; q + 4 <= p->Vertices.size(); q += 4) {
                float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
                for (std::size_t k = q; k < q + 4; ++k) {
                    const TRecordedVertex& v = p->Vertices[k];
                    x0 = std::min(x0, v.X);
                    x1 = std::max(x1, v.X);
                    y0 = std::min(y0, v.Y);
                    y1 = std::max(y1, v.Y);
                }
                EXPECT_LE(y1, float(View->SpaceHeight - 32));
                EXPECT_GE(y0, 41.0f);  // never over the footer
                if (x0 == c.BarStart()) bars.push_back({x0, x1, y0, y1, p->Vertices[q].Color});
            }
        }
        std::stable_sort(bars.begin(), bars.end(), [](const TBar& a, const TBar& b) { return a.Y1 > b.Y1; });
        return bars;
    }
    // The values the bars of a column show, top row first.
    std::vector<float> ValuesShown(const TRecordingDrawing& recording, int column) const
    {
        const TTableLensColumn& c = View->TableLensColumnsList.Column(column);
        std::vector<float> values;
        for (const TBar& b : Bars(recording, column))
            values.push_back(std::round(((b.X1 - c.BarStart()) / c.Usable() - 0.05f) / 0.95f * 1000.0f) / 1000.0f);
        return values;
    }

    std::unique_ptr<TPreProcessedData> Data;
    std::unique_ptr<TSelectionsController> Controller;
    std::unique_ptr<TTableLens> View;
};

inline bool RecordedColorIs(const TOpenGLColor& a, const TOpenGLColor& b) { return TRecordingDrawing::SameColor(a, b); }
