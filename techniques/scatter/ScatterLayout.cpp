#include "techniques/scatter/ScatterLayout.h"

#include <cmath>

#include "render/CheckedInt.h"

TScatterLayout TScatterLayout::Compute(int spaceWidth, int spaceHeight, int dimensions)
{
    TScatterLayout layout;
    if (dimensions <= 0) return layout;
    const int n = dimensions;
    layout.Dimensions = n;
    layout.CellWidth = float(spaceWidth - Margin) / float(n);
    layout.CellHeight = float(spaceHeight - Margin) / float(n);
    layout.StepX = (spaceWidth - Margin) / n;
    layout.StepY = (spaceHeight - Margin) / n;
    // Floor, not truncation: a space narrower than the margin gives negative steps.
    if ((spaceWidth - Margin) % n < 0) --layout.StepX;
    if ((spaceHeight - Margin) % n < 0) --layout.StepY;
    const int s = n / 2 + 1;
    layout.ZoomLeft = TruncToInt(float(s) * layout.CellWidth + float(Margin));
    layout.ZoomBottom = TruncToInt(float(s) * layout.CellHeight + float(Margin));
    layout.ZoomWidth = float(n - s) * layout.CellWidth - 1.0f;
    layout.ZoomHeight = float(n - s) * layout.CellHeight - 1.0f;
    return layout;
}

bool TScatterLayout::HasZoom() const { return Dimensions > 2 && ZoomWidth > 0.0f && ZoomHeight > 0.0f; }

TScatterRect TScatterLayout::Cell(int column, int line) const
{
    TScatterRect r;
    r.X0 = DiagonalX(column);
    r.Y0 = DiagonalY(line);
    r.X1 = TruncToInt(float(r.X0) + CellWidth);
    r.Y1 = TruncToInt(float(r.Y0) + CellHeight);
    return r;
}

TScatterRect TScatterLayout::Zoom() const
{
    if (!HasZoom()) return {};
    TScatterRect r;
    r.X0 = ZoomLeft;
    r.Y0 = ZoomBottom;
    r.X1 = TruncToInt(float(ZoomLeft) + ZoomWidth);
    r.Y1 = TruncToInt(float(ZoomBottom) + ZoomHeight);
    return r;
}

TValueScale TScatterLayout::PlotScale(int origin, float extent)
{
    TValueScale scale;
    if (extent > float(2 * Inset)) {
        scale.Origin = float(origin + Inset);
        scale.Length = extent - float(2 * Inset);
    } else {
        scale.Origin = float(origin);
        scale.Length = extent > 0.0f ? extent : 0.0f;
    }
    return scale;
}
