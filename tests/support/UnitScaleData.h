#pragma once
// A dataset whose columns hold exactly the given values, already on the unit scale (so the
// normalised values are the values given), in the dimensions' own units from 0 to `high`,
// with ranks and frequencies computed as after a load.
#include <memory>
#include <string>
#include <vector>

#include "data/PreProcessedData.h"

inline std::unique_ptr<TPreProcessedData> MakeUnitScaleData(const std::vector<std::string>& names,
                                                           const std::vector<std::vector<float>>& columns,
                                                           float high = 1.0f)
{
    auto data = std::make_unique<TPreProcessedData>();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        TPreProcessedDimension* dimension =
            data->AddDimension(i < names.size() ? names[i] : "d" + std::to_string(i));
        for (float v : columns[i]) dimension->AddValue(v);
    }
    data->BuildRecords();
    for (int i = 0; i < data->NumberOfDimensions(); ++i) {
        TPreProcessedDimension* dimension = data->GetDimension(i);
        dimension->SetHighLow(high, 0.0f);
        dimension->ValueRange = high;
        dimension->Normalised = true;
    }
    data->ComputeFrequencies();
    return data;
}
