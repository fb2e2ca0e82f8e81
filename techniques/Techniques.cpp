#include "techniques/Techniques.h"

#include <algorithm>

#include "techniques/fastmap/FastmapProjection.h"
#include "techniques/parallel/ParallelCoordinates.h"
#include "techniques/scatter/ScatterPlots.h"
#include "techniques/star/StarCoordinates.h"
#include "techniques/tablelens/TableLens.h"

namespace {
template <typename View> std::unique_ptr<TVisualizationPanel> Make() { return std::make_unique<View>(); }
} // namespace

const std::vector<TTechnique>& Techniques()
{
    static const std::vector<TTechnique> list = {
        {"Parallel Coordinates", "Parallel", "ParallelCoords", "parallel", 0, &Make<TParallelCoordinates>},
        {"Scatter Plots", "Scatter", "ScatterPlots", "scatter", 2, &Make<TScatterPlots>},
        {"Star Coordinates", "Star", "StarCoordinates", "star", 3, &Make<TStarCoordinates>},
        {"Table Lens", "Table", "TableLens", "table", 4, &Make<TTableLens>},
        {"Fastmap Projection", "Fastmap", "FastmapProjection", "fastmap", 1, &Make<TFastmapProjection>},
    };
    return list;
}

int TechniqueIndexOfItem(std::string_view item)
{
    const auto& list = Techniques();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (item.find(list[i].Key) != std::string_view::npos) return int(i);
    return -1;
}

const TTechnique* FindTechniqueByBenchName(std::string_view name)
{
    for (const TTechnique& technique : Techniques())
        if (name == technique.BenchName) return &technique;
    return nullptr;
}

std::vector<const char*> TechniqueItemsInComboOrder()
{
    std::vector<const TTechnique*> rows;
    for (const TTechnique& technique : Techniques()) rows.push_back(&technique);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TTechnique* a, const TTechnique* b) { return a->ComboPosition < b->ComboPosition; });
    std::vector<const char*> items;
    for (const TTechnique* row : rows) items.push_back(row->Item);
    return items;
}
