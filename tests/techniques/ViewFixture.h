#pragma once
// What a workspace gives its views, without the workspace: a dataset read from a .lumet
// text, one shared selections controller, and views made from the list of techniques,
// sized so that widget pixels and logical units coincide. Paints go into a recording.
//
//   TViewFixture f;
//   ASSERT_TRUE(f.Load("#a b\n1 2\n3 4\n"));
//   TVisualizationPanel* view = f.Open(technique);
//   TRecordingDrawing r = f.Paint(*view);
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "data/PreProcessedData.h"
#include "render/RecordingDrawing.h"
#include "techniques/Techniques.h"
#include "vis/SelectionsController.h"
#include "vis/VisualizationPanel.h"

class TViewFixture {
public:
    // Reads `text` as a .lumet file into a new dataset with a new controller; views opened
    // before keep the old dataset until SwitchData.
    bool Load(const std::string& text)
    {
        const std::string file = Directory.path().toStdString() + "/fixture" + std::to_string(++Files) + ".lumet";
        std::ofstream(file, std::ios::binary) << text;
        return LoadFile(file);
    }
    bool LoadFile(const std::string& file)
    {
        auto data = std::make_unique<TPreProcessedData>();
        if (!data->ReadDataFile(file)) return false;  // by the extension: .lumet, .csv, …
        OldData.push_back(std::move(Data));
        Data = std::move(data);
        auto controller = std::make_unique<TSelectionsController>();
        controller->BindData(Data.get());
        OldControllers.push_back(std::move(Controller));
        Controller = std::move(controller);
        return true;
    }

    // A view of `technique` on the dataset, with the shared controller, painted once (which
    // binds the controller's callbacks to it, as the workspace's first paint does).
    TVisualizationPanel* Open(const TTechnique& technique)
    {
        std::unique_ptr<TVisualizationPanel> view = technique.Create();
        view->SetPreProcessedData(Data.get());
        view->SetSelectionsController(Controller.get());
        view->resize(std::max(1, view->SpaceWidth), std::max(1, view->SpaceHeight));
        view->Repaint();
        Views.push_back(std::move(view));
        return Views.back().get();
    }

    // Gives every view the current dataset and controller (as a workspace would on a reload).
    void SwitchData()
    {
        for (auto& view : Views) {
            view->SetPreProcessedData(Data.get());
            view->SetSelectionsController(Controller.get());
            view->Repaint();
        }
    }

    TRecordingDrawing Paint(TVisualizationPanel& view)
    {
        TRecordingDrawing recording;
        TCurrentDrawing current(recording);
        view.Paint();
        view.PaintOverlay();
        return recording;
    }

    // A brush over [min, max] (normalised) on `dimension`, as a user's brush ends up.
    TSelectioner* Brush(int dimension, float min, float max)
    {
        TSelectionsList* list = Controller->GetSelectionsList(dimension);
        return list ? AddSelectionOver(*list, Data.get(), min, max) : nullptr;
    }

    std::unique_ptr<TPreProcessedData> Data;
    std::unique_ptr<TSelectionsController> Controller;
    std::vector<std::unique_ptr<TVisualizationPanel>> Views;

private:
    QTemporaryDir Directory;
    int Files = 0;
    // Views are destroyed before the datasets and controllers they may still point to.
    std::vector<std::unique_ptr<TPreProcessedData>> OldData;
    std::vector<std::unique_ptr<TSelectionsController>> OldControllers;

public:
    ~TViewFixture() { Views.clear(); }
};
