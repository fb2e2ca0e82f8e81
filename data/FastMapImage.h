#pragma once
// A record paired with its FastMap coordinates.
#include <memory>
#include <vector>

#include "data/PreProcessedData.h"

class TFastMapImage {
public:
    // `coordinateCount` coordinates, all 0. With `ownsRecord` the image frees the record.
    TFastMapImage(TPreProcessedRecord* record, int coordinateCount, bool ownsRecord);
    virtual ~TFastMapImage() = default;
    TFastMapImage(const TFastMapImage&) = delete;
    TFastMapImage& operator=(const TFastMapImage&) = delete;

    TPreProcessedRecord* GetRecord() const { return Record; }
    bool OwnsRecord() const { return Owned != nullptr; }
    // Frees the record held when the image owned it, then holds the new one.
    void SetRecord(TPreProcessedRecord* record, bool ownsRecord);

    int CoordinateCount() const { return static_cast<int>(Coordinates.size()); }
    float* GetCoordinates() { return Coordinates.data(); }
    const float* GetCoordinates() const { return Coordinates.data(); }
    float& GetCoordinate(int i) { return Coordinates.at(static_cast<std::size_t>(i)); }
    // Copies CoordinateCount() values from `source`.
    void SetCoordinates(const float* source);
    void FillCoordinates(float value);

private:
    std::vector<float> Coordinates;
    TPreProcessedRecord* Record = nullptr;
    std::unique_ptr<TPreProcessedRecord> Owned;  // set when the image owns Record
};
