#include "techniques/tablelens/TableLensColumnsList.h"

#include "render/Drawing.h"

void TTableLensColumnsList::BuildColumns(TTableLens* view, int count, int spaceWidth)
{
    Items.assign(count > 0 ? count : 0, TTableLensColumn{});
    for (int i = 0; i < Count(); ++i) Items[i].Initialize(view, i, count, spaceWidth);
    IndexOfColumnOverWhichTheMouseIs = -1;
    IndexOfDimensionToBaseOrder = 0;
}

void TTableLensColumnsList::DrawColumns(int spaceWidth) const
{
    for (const auto& column : Items) column.Draw();
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Frame);
    gl.Color(0, 0, 1);
    gl.LineWidth(1);
    gl.Begin(TPrimitive::LineLoop);
    gl.Vertex(1, 40);
    gl.Vertex(float(spaceWidth - 1), 40);
    gl.Vertex(float(spaceWidth - 1), 0);
    gl.Vertex(1, 0);
    gl.End();
}

bool TTableLensColumnsList::TrackPointer(int x, int y, int spaceHeight)
{
    bool changed = false;
    for (int i = 0; i < Count(); ++i) {
        TTableLensColumn& column = Items[i];
        const bool over = column.IsMouseOverNow;
        const bool header = column.IsMouseOverHeader;
        if (column.HitColumn(x, y, spaceHeight)) IndexOfColumnOverWhichTheMouseIs = i;
        changed = changed || over != column.IsMouseOverNow || header != column.IsMouseOverHeader;
    }
    return changed;
}

void TTableLensColumnsList::ChooseOrderAt(int x, int, int)
{
    for (const auto& column : Items)
        if (column.ContainsX(x)) {
            IndexOfDimensionToBaseOrder = column.DimensionIndex;
            return;
        }
}
