#include "app/VisTree.h"

#include "app/UVisWorkspace.h"

TVisTree::TVisTree(std::unique_ptr<TFormVisWorkspace> rootWorkspace, TFormVisualizationTree* mainWindow)
    : Root(std::move(rootWorkspace)), MainWindow(mainWindow)
{
}

TVisTree::~TVisTree() = default;

void TVisTree::AddPipeline(TFormVisWorkspace*, std::unique_ptr<TFormVisWorkspace> childWorkspace)
{
    Children.push_back(std::move(childWorkspace));
}

void TVisTree::PruneBranch(TFormVisWorkspace*) {}
void TVisTree::Translate(int, int) {}
void TVisTree::ZoomAt(int, int, float, float) {}
void TVisTree::InstantZoom(int, int) {}
