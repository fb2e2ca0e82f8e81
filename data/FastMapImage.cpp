#include "data/FastMapImage.h"

#include <algorithm>

TFastMapImage::TFastMapImage(TPreProcessedRecord* record, int coordinateCount, bool ownsRecord)
    : Coordinates(static_cast<std::size_t>(std::max(0, coordinateCount)), 0.0f)
{
    SetRecord(record, ownsRecord);
}

void TFastMapImage::SetRecord(TPreProcessedRecord* record, bool ownsRecord)
{
    if (Owned.get() != record) Owned.reset();
    if (ownsRecord && !Owned) Owned.reset(record);
    if (!ownsRecord) Owned.release();
    Record = record;
}

void TFastMapImage::SetCoordinates(const float* source)
{
    std::copy(source, source + Coordinates.size(), Coordinates.begin());
}

void TFastMapImage::FillCoordinates(float value)
{
    std::fill(Coordinates.begin(), Coordinates.end(), value);
}
