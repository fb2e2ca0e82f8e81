#include "techniques/fastmap/FastmapPointList.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "data/FastMapper.h"
#include "render/Drawing.h"
#include "techniques/fastmap/FastmapProjection.h"

namespace {
constexpr int PivotIterations = 5;
} // namespace

TFastmapPointList::TFastmapPointList(TFastmapProjection* view) : ViewValue(view) {}

bool TFastmapPointList::Mode3D() const { return ViewValue ? ViewValue->Mode3D() : true; }

void TFastmapPointList::Fill(TPreProcessedData* data)
{
    Data = data;
    const std::size_t n = data ? static_cast<std::size_t>(data->RecordsNumber) : 0;
    Xyz.assign(3 * n, 0.0f);
    Frequencies.assign(n, 0.0f);
    Relevances.assign(n, 1.0f);
    FrequencyStamp = RelevanceStamp = 0;
    FrequenciesFresh = RelevancesFresh = false;
    Marked = -1;
    SelectedElement = 0;
    Projected = false;
    ++PositionsVersion;
    BulkValid = false;
}

void TFastmapPointList::SetPosition(int i, float x, float y, float z)
{
    float* p = Xyz.data() + 3 * static_cast<std::size_t>(i);
    // A coordinate that is not a number never reaches the bounds or the camera.
    p[0] = std::isfinite(x) ? x : 0.0f;
    p[1] = std::isfinite(y) ? y : 0.0f;
    p[2] = std::isfinite(z) ? z : 0.0f;
    ++PositionsVersion;
}

void TFastmapPointList::SetBounds(const TSceneBounds& bounds)
{
    Bounds = bounds;
    if (ViewValue) ViewValue->SetSceneBounds(bounds);
}

bool TFastmapPointList::ComputeProjection(stBasicEuclideanMetricEvaluator* evaluator)
{
    if (Projected) return true;
    if (!Data || Count() == 0) return false;
    if (Count() == 1) {
        SetPosition(0, 0, 0, 0);
        SetBounds({-10, 10, -10, 10, -10, 10});
        Projected = true;
        return true;
    }
    std::unique_ptr<stBasicEuclideanMetricEvaluator> own;
    if (!evaluator) {
        own = std::make_unique<stBasicEuclideanMetricEvaluator>();
        evaluator = own.get();
    }
    const int k = std::max(TargetDimension, 3);
    TFastMapper mapper(*evaluator, k, PivotIterations);
    const std::uint64_t start = evaluator->DistanceCount;
    const double budget = double(mapper.DistanceBudget(std::uint64_t(Count())));
    if (Progress)
        mapper.Progress = [this, evaluator, start, budget] {
            Progress(std::min(1.0, double(evaluator->DistanceCount - start) / budget));
        };
    const TRecordList& records = Data->ListOfPreprocessedRecords;
    mapper.BuildAxes(*Data, records);
    std::vector<float> x(static_cast<std::size_t>(k));
    TSceneBounds bounds;
    bool first = true;
    for (std::size_t j = 0; j < records.size(); ++j) {
        const int i = records[j]->Index;
        if (i < 0 || i >= Count()) continue;
        mapper.ProjectRecord(*records[j], x.data());
        SetPosition(i, x[0], x[1], x[2]);
        const float* p = Position(i);
        if (first) {
            bounds = {p[0], p[0], p[1], p[1], p[2], p[2]};
            first = false;
        } else {
            bounds.MinX = std::min(bounds.MinX, p[0]), bounds.MaxX = std::max(bounds.MaxX, p[0]);
            bounds.MinY = std::min(bounds.MinY, p[1]), bounds.MaxY = std::max(bounds.MaxY, p[1]);
            bounds.MinZ = std::min(bounds.MinZ, p[2]), bounds.MaxZ = std::max(bounds.MaxZ, p[2]);
        }
        if (Progress && (j & 0xFFFF) == 0xFFFF) mapper.Progress();
    }
    SetBounds(bounds);
    CentreOn(0);
    Projected = true;
    return true;
}

void TFastmapPointList::CentreOn(int n)
{
    if (!Data || Count() == 0) return;
    const std::string text = IntToStr(n);
    int point = 0;
    for (const TPreProcessedRecord* record : Data->ListOfPreprocessedRecords)
        if (record->GetLabel() == text) {
            point = record->Index;
            break;
        }
    CentrePoint(point);
}

void TFastmapPointList::CentrePoint(int point)
{
    if (point < 0 || point >= Count()) return;
    const float cx = Xyz[3 * std::size_t(point)], cy = Xyz[3 * std::size_t(point) + 1], cz = Xyz[3 * std::size_t(point) + 2];
    for (std::size_t i = 0; i < Xyz.size(); i += 3) {
        Xyz[i] -= cx;
        Xyz[i + 1] -= cy;
        Xyz[i + 2] -= cz;
    }
    ++PositionsVersion;
    SetBounds({Bounds.MinX - cx, Bounds.MaxX - cx, Bounds.MinY - cy, Bounds.MaxY - cy, Bounds.MinZ - cz, Bounds.MaxZ - cz});
}

void TFastmapPointList::SelectElement(int i)
{
    if (i < 0 || i >= Count()) {
        Marked = -1;
        return;
    }
    Marked = i;
    SelectedElement = i;
}

// ---- frequencies and relevances

void TFastmapPointList::ComputeFrequency(int i)
{
    const int dimensions = Data ? Data->NumberOfDimensions() : 0;
    float sum = 0;
    for (int d = 0; d < dimensions; ++d) sum += Data->GetDimension(d)->Weights[static_cast<std::size_t>(i)];
    Frequencies[static_cast<std::size_t>(i)] = dimensions > 0 ? sum / float(dimensions) : 0.0f;
}

void TFastmapPointList::ComputeRelevance(int i)
{
    if (!Data) return;
    float sum = 0;
    for (int d = 0; d < Data->NumberOfDimensions(); ++d) sum += Data->GetDimension(d)->Cell(std::uint32_t(i)).Relevance();
    const int count = Data->RelevanceDimensionCount;
    Relevances[static_cast<std::size_t>(i)] = count != 0 ? sum / float(count) : 1.0f;
}

void TFastmapPointList::RefreshFrequencies()
{
    if (!Data || (FrequenciesFresh && FrequencyStamp == Data->FrequencyValuesTimeStamp)) return;
    for (int i = 0; i < Count(); ++i) ComputeFrequency(i);
    FrequencyStamp = Data->FrequencyValuesTimeStamp;
    FrequenciesFresh = true;
}

void TFastmapPointList::RefreshRelevances()
{
    if (!Data || (RelevancesFresh && RelevanceStamp == Data->RelevanceValuesTimeStamp)) return;
    for (int i = 0; i < Count(); ++i) ComputeRelevance(i);
    RelevanceStamp = Data->RelevanceValuesTimeStamp;
    RelevancesFresh = true;
}

// ---- drawing

TFastmapPointList::TBulkKey TFastmapPointList::CurrentKey() const
{
    TBulkKey key;
    key.Mode = DrawModeValue;
    key.List = ListOfIndexOfDataItemsToDraw;
    key.ListVersion = ListOfIndexOfDataItemsToDraw ? ListVersion : 0;
    key.TimeWindow = Data ? Data->TimeWindowStamp : 0;
    key.Frequency = Data ? Data->FrequencyValuesTimeStamp : 0;
    key.Relevance = Data ? Data->RelevanceValuesTimeStamp : 0;
    key.Positions = PositionsVersion;
    key.Mode3D = Mode3D();
    key.Data = Data;
    return key;
}

void TFastmapPointList::BuildBulk()
{
    BulkKey = CurrentKey();
    BulkValid = true;
    BulkPositions.clear();
    BulkColors.clear();
    BulkIndices.clear();
    if (!Data) return;
    const bool flat = !BulkKey.Mode3D;
    const bool single = !ListOfIndexOfDataItemsToDraw && DrawModeValue == drawmodeNormal;
    BulkColor = TFastmapPoint::NormalColor(false);
    auto add = [&](int i, const TOpenGLColor& color) {
        const float* p = Position(i);
        BulkPositions.insert(BulkPositions.end(), {p[0], p[1], flat ? 0.0f : p[2]});
        if (!single) BulkColors.insert(BulkColors.end(), {color.C1, color.C2, color.C3});
        BulkIndices.push_back(i);
    };
    if (ListOfIndexOfDataItemsToDraw) {
        if (DrawModeValue == drawmodeRelev) RefreshRelevances();
        BulkPositions.reserve(3 * ListOfIndexOfDataItemsToDraw->size());
        for (const TPreProcessedRecord* record : *ListOfIndexOfDataItemsToDraw) {
            if (!Drawable(record) || record->Index < 0 || record->Index >= Count()) continue;
            const int i = record->Index;
            switch (DrawModeValue) {
            case drawmodeNormal: add(i, record->Color); break;
            case drawmodeFreq:
                ComputeFrequency(i);
                add(i, TFastmapPoint::FrequencyColor(Frequency(i)));
                break;
            case drawmodeRelev:
                ComputeFrequency(i);
                add(i, TFastmapPoint::RelevanceColor(Relevance(i), Frequency(i)));
                break;
            default: break;
            }
        }
        // Frequencies computed over the selection stand until the stamps say otherwise.
        FrequenciesFresh = false;
    } else {
        if (DrawModeValue == drawmodeFreq || DrawModeValue == drawmodeRelev) RefreshFrequencies();
        if (DrawModeValue == drawmodeRelev) RefreshRelevances();
        BulkPositions.reserve(3 * static_cast<std::size_t>(Count()));
        for (int i = 0; i < Count(); ++i) {
            if (!Drawable(Data->RecordByIndex(i))) continue;
            switch (DrawModeValue) {
            case drawmodeNormal: add(i, BulkColor); break;
            case drawmodeFreq: add(i, TFastmapPoint::FrequencyColor(Frequency(i))); break;
            case drawmodeRelev: add(i, TFastmapPoint::RelevanceColor(Relevance(i), Frequency(i))); break;
            default: break;
            }
        }
    }
}

void TFastmapPointList::EnsureBulk()
{
    if (!BulkValid || !(CurrentKey() == BulkKey)) BuildBulk();
}

bool TFastmapPointList::DrawnColor(int i, TOpenGLColor& color) const
{
    std::size_t slot = BulkIndices.size();
    if (!ListOfIndexOfDataItemsToDraw) {
        const auto found = std::lower_bound(BulkIndices.begin(), BulkIndices.end(), i);
        if (found != BulkIndices.end() && *found == i) slot = std::size_t(found - BulkIndices.begin());
    } else {
        slot = std::size_t(std::find(BulkIndices.begin(), BulkIndices.end(), i) - BulkIndices.begin());
    }
    if (slot == BulkIndices.size()) return false;
    if (BulkColors.empty())
        color = ListOfIndexOfDataItemsToDraw || DrawModeValue != drawmodeNormal ? BulkColor : TFastmapPoint::NormalColor(true);
    else
        color = TOpenGLColor(BulkColors[3 * slot], BulkColors[3 * slot + 1], BulkColors[3 * slot + 2]);
    return true;
}

void TFastmapPointList::Draw()
{
    if (!Data) return;
    EnsureBulk();
    TDrawing& gl = Gl();
    const bool lit = Mode3D();
    {
        TMeaningScope meaning(TMeaning::Record);
        if (lit) {
            // The colour of every point drives its material, so brush, frequency and
            // relevance colours show in 3-D as they do in 2-D.
            static const float black[4] = {0, 0, 0, 1};
            gl.Enable(TCapability::ColorMaterial);
            gl.ColorMaterial(TFace::FrontAndBack, TColorMaterialMode::AmbientAndDiffuse);
            gl.MaterialSpecular(black);
            gl.MaterialEmission(black);
        }
        gl.PointSize(VertexSize);
        if (!BulkIndices.empty()) {
            if (BulkColors.empty()) gl.Color(BulkColor.C1, BulkColor.C2, BulkColor.C3);
            gl.DrawArrays(TPrimitive::Points, BulkPositions.data(), 3, BulkColors.empty() ? nullptr : BulkColors.data(),
                          BulkIndices.size());
        }
        if (lit) gl.Disable(TCapability::ColorMaterial);
    }
    if (DrawIdLabelsProperty)
        for (const int i : BulkIndices) Point(i).DrawLabel();
}

void TFastmapPointList::DrawMarked()
{
    if (!Data || Marked < 0 || Marked >= Count()) return;
    EnsureBulk();
    TOpenGLColor color;
    if (!DrawnColor(Marked, color)) return;
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Record);
    const bool lit = Mode3D();
    if (lit) {
        static const float black[4] = {0, 0, 0, 1};
        gl.Enable(TCapability::ColorMaterial);
        gl.ColorMaterial(TFace::FrontAndBack, TColorMaterialMode::AmbientAndDiffuse);
        gl.MaterialSpecular(black);
        gl.MaterialEmission(black);
    }
    Point(Marked).DrawWithColor(color);
    if (lit) gl.Disable(TCapability::ColorMaterial);
}

void TFastmapPointList::DrawForPicking(const TFastmapCamera::TMatrix* region)
{
    if (!Data) return;
    EnsureBulk();
    std::vector<int> order;
    const bool flat = !Mode3D();
    for (const int i : BulkIndices) {
        const float* p = Position(i);
        const float q[3] = {p[0], p[1], flat ? 0.0f : p[2]};
        if (!region || InsideClipVolume(*region, q, 1.0)) order.push_back(i);
    }
    if (ListOfIndexOfDataItemsToDraw) std::sort(order.begin(), order.end());
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Record);
    for (const int i : order) {
        const float* p = Position(i);
        gl.LoadName(static_cast<unsigned>(i));
        gl.PointSize(i == Marked ? 2.0f * VertexSize : VertexSize);
        gl.Begin(TPrimitive::Points);
        gl.Vertex(p[0], p[1], flat ? 0.0f : p[2]);
        gl.End();
    }
}
