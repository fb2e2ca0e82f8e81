#include "render/Drawing.h"

namespace {
TDiscardingDrawing& Discarding()
{
    static TDiscardingDrawing drawing;
    return drawing;
}

TDrawing*& Current()
{
    static TDrawing* current = nullptr;
    return current;
}
}  // namespace

TDrawing& Gl()
{
    TDrawing* current = Current();
    return current ? *current : Discarding();
}

TCurrentDrawing::TCurrentDrawing(TDrawing& drawing) : Previous(Current()) { Current() = &drawing; }

TCurrentDrawing::~TCurrentDrawing() { Current() = Previous; }
