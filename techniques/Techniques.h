#pragma once
// The list of techniques: one row each. The workspace's combo box, its views and tab
// captions, the benchmark program and the test suite every view passes all read it, so a
// technique is added by one row here and its folder.
#include <memory>
#include <string_view>
#include <vector>

class TVisualizationPanel;

struct TTechnique {
    const char* Item;           // the combo box's text, e.g. "Scatter Plots"
    const char* Key;            // the part of the item that names it, e.g. "Scatter"
    const char* CaptionPrefix;  // tab captions: "ScatterPlots1", "ScatterPlots2", …
    const char* BenchName;      // lumetra-bench paint --technique NAME, e.g. "scatter"
    int ComboPosition;          // where the combo box lists it
    // A new view of the technique; null while the technique has no view.
    std::unique_ptr<TVisualizationPanel> (*Create)();
};

// Every technique, by technique index (the row's position).
const std::vector<TTechnique>& Techniques();
// The technique index of the first row whose Key `item` contains; -1 when none.
int TechniqueIndexOfItem(std::string_view item);
// Null when unknown.
const TTechnique* FindTechniqueByBenchName(std::string_view name);
// The combo box's items, in its order.
std::vector<const char*> TechniqueItemsInComboOrder();
