#pragma once
// The exploration tree: arranges the workspace windows as the boxes of the derivation
// tree and serves the main window's navigation.
#include <memory>
#include <vector>

class TFormVisWorkspace;
class TFormVisualizationTree;

class TVisTree {
public:
    // Takes the root workspace; nothing is laid out or drawn yet.
    TVisTree(std::unique_ptr<TFormVisWorkspace> rootWorkspace, TFormVisualizationTree* mainWindow);
    ~TVisTree();
    TVisTree(const TVisTree&) = delete;
    TVisTree& operator=(const TVisTree&) = delete;

    void AddPipeline(TFormVisWorkspace* parentWorkspace, std::unique_ptr<TFormVisWorkspace> childWorkspace);
    void PruneBranch(TFormVisWorkspace* workspace);
    void Translate(int dx, int dy);
    void ZoomAt(int x, int y, float horizontalFactor, float verticalFactor);
    void InstantZoom(int x, int y);

    TFormVisWorkspace* RootWorkspace() const { return Root.get(); }

private:
    std::unique_ptr<TFormVisWorkspace> Root;
    std::vector<std::unique_ptr<TFormVisWorkspace>> Children;
    TFormVisualizationTree* MainWindow;
};
