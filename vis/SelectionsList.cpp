#include "vis/SelectionsList.h"

#include "render/Drawing.h"

TSelectionsList::TSelectionsList()
    : Palette{{{0.0f, 0.0f, 1.0f},
               {0.0f, 1.0f, 0.0f},
               {1.0f, 0.0f, 1.0f},
               {0.0f, 1.0f, 1.0f},
               {1.0f, 0.63f, 0.04f},
               {0.56f, 0.55f, 0.86f},
               {0.32f, 0.58f, 0.02f},
               {0.65f, 0.65f, 0.08f},
               {1.0f, 1.0f, 0.0f}}}
{
}

TSelectioner* TSelectionsList::GetSelection(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return Items[static_cast<std::size_t>(index)].get();
}

int TSelectionsList::Add(std::unique_ptr<TSelectioner> selection)
{
    if (!selection) return -1;
    Items.push_back(std::move(selection));
    return Count() - 1;
}

void TSelectionsList::SetFocus(int index)
{
    if (index < 0 || index >= Count()) {
        // Focusing a selection that does not exist (a hit test of an unset callback answers
        // 0 even on an empty list) leaves no focus rather than a dangling index.
        for (auto& selection : Items) selection->DiferentiateColor = false;
        FocusIndexValue = -1;
        return;
    }
    if (TSelectioner* old = Focused()) old->DiferentiateColor = false;
    Items[static_cast<std::size_t>(index)]->DiferentiateColor = true;
    FocusIndexValue = index;
}

void TSelectionsList::RemoveFocused()
{
    if (!Focused()) return;
    Items.erase(Items.begin() + FocusIndexValue);
    SetFocus(Items.empty() ? -1 : 0);
}

void TSelectionsList::RemoveAll()
{
    Items.clear();
    SetFocus(-1);
}

void TSelectionsList::DrawSelections()
{
    Gl().LineWidth(3.0f);
    // By index: a draw callback must not invalidate the loop.
    for (int i = 0; i < Count(); ++i) Items[static_cast<std::size_t>(i)]->Draw();
}

bool TSelectionsList::ToggleFocusedAverage()
{
    TSelectioner* focused = Focused();
    return focused ? focused->ToggleAverage() : false;
}

bool TSelectionsList::ToggleFocusedMedian()
{
    TSelectioner* focused = Focused();
    return focused ? focused->ToggleMedian() : false;
}

bool TSelectionsList::ToggleFocusedModaValues()
{
    TSelectioner* focused = Focused();
    return focused ? focused->ToggleModaValues() : false;
}

bool TSelectionsList::ToggleFocusedStandardDeviation()
{
    TSelectioner* focused = Focused();
    return focused ? focused->ToggleStandardDeviation() : false;
}

void TSelectionsList::SetCalculateDataFrequencies(bool flag)
{
    for (auto& selection : Items) selection->SetCalculateDataFrequencies = flag;
}

TOpenGLColor* TSelectionsList::PaletteColor(int n)
{
    const int entry = ((n % PaletteSize) + PaletteSize) % PaletteSize;
    return &Palette[static_cast<std::size_t>(entry)];
}

TOpenGLColor TSelectionsList::NewSelectionColor()
{
    if (NewSelectionColorFunction) return NewSelectionColorFunction();
    return *PaletteColor(FocusIndex());
}

int TSelectionsList::SelectionOverWhichTheMouseIs(int x, int y)
{
    return SelectionOverWhichTheMouseIsFunction ? SelectionOverWhichTheMouseIsFunction(this, x, y) : 0;
}

void TSelectionsList::AddNewSelection(int x, int y)
{
    if (AddNewSelectionFunction) AddNewSelectionFunction(this, x, y);
}

bool TSelectionsList::UpdateSelectionsList(ENUM_selectionEvents event, int x, int y)
{
    return UpdateSelectionsListFunction ? UpdateSelectionsListFunction(this, event, x, y) : false;
}

std::string TSelectionsList::GetClause() const
{
    std::string text = "(";
    bool any = false;
    for (const auto& selection : Items) {
        const std::string clause = selection->GetClause();
        if (clause == "0") continue;
        if (any) text += " OR ";
        text += clause;
        any = true;
    }
    if (!any) return "0";
    return text + ")";
}

void TSelectionsList::SetDrawSelectionFunction(const TDrawSelectionFunction& function)
{
    DrawSelection = function;
    for (auto& selection : Items) selection->DrawSelectionFunction = function;
}

void TSelectionsList::SetResizeSelectionFunction(const TResizeSelectionFunction& function)
{
    ResizeSelection = function;
    for (auto& selection : Items) selection->ResizeSelectionFunction = function;
}

TSelectioner* AddSelectionOver(TSelectionsList& list, TPreProcessedData* data, float min, float max)
{
    auto selection = std::make_unique<TSelectioner>();
    selection->Attach(data, list.SelectionDimensionIndex());
    selection->SetMaxNormalized(max);
    selection->SetMinNormalized(min);
    if (data && list.SelectionDimensionIndex() >= 0 && list.SelectionDimensionIndex() < data->NumberOfDimensions()) {
        selection->MaxValue = data->Denormalise(list.SelectionDimensionIndex(), max);
        selection->MinValue = data->Denormalise(list.SelectionDimensionIndex(), min);
    }
    selection->DrawSelectionFunction = list.DrawSelectionFunction();
    selection->ResizeSelectionFunction = list.ResizeSelectionFunction();
    TSelectioner* added = selection.get();
    list.SetFocus(list.Add(std::move(selection)));
    added->Color()->Assign(list.NewSelectionColor());
    return added;
}
