#pragma once
// The selections of one dimension: owned, in creation order, with at most one focused,
// a palette of nine colours for new selections, and the callbacks through which mouse
// events reach the view's methods object.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vis/Selectioner.h"

class TSelectionsList {
public:
    TSelectionsList();
    TSelectionsList(const TSelectionsList&) = delete;
    TSelectionsList& operator=(const TSelectionsList&) = delete;

    int Count() const { return static_cast<int>(Items.size()); }
    // nullptr outside 0 … Count − 1.
    TSelectioner* GetSelection(int index) const;
    // Takes ownership and appends; answers the new selection's index.
    int Add(std::unique_ptr<TSelectioner> selection);

    int FocusIndex() const { return FocusIndexValue; }
    int SelectionDimensionIndex() const { return SelectionDimensionIndexValue; }
    void SetSelectionDimensionIndex(int index) { SelectionDimensionIndexValue = index; }

    // -1 (or an index outside the list) clears the focus; otherwise the selection at index
    // becomes the focused one.
    void SetFocus(int index);
    // Removes the focused selection; the first remaining one becomes focused.
    void RemoveFocused();
    void RemoveAll();
    // Line width 3, then every selection's Draw().
    void DrawSelections();

    // The focused selection's toggles; false without a focused selection.
    bool ToggleFocusedAverage();
    bool ToggleFocusedMedian();
    bool ToggleFocusedModaValues();
    bool ToggleFocusedStandardDeviation();

    // Sets the flag of the selections now in the list; later ones start with true.
    void SetCalculateDataFrequencies(bool flag);

    // Palette entry n mod 9 (negative n wraps around as well).
    TOpenGLColor* PaletteColor(int n);
    // The colour a selection added now takes: NewSelectionColorFunction's answer when it is
    // set (the workspace's controller sets it, counting the brushes of all dimensions),
    // otherwise the palette entry of the focused index.
    TOpenGLColor NewSelectionColor();
    std::function<TOpenGLColor()> NewSelectionColorFunction;

    // The callbacks, or their neutral answers when unset (0, nothing, false).
    int SelectionOverWhichTheMouseIs(int x, int y);
    void AddNewSelection(int x, int y);
    bool UpdateSelectionsList(ENUM_selectionEvents event, int x, int y);

    // "(" clause " OR " clause … ")" over the selections holding records; "0" when none does.
    std::string GetClause() const;

    const TDrawSelectionFunction& DrawSelectionFunction() const { return DrawSelection; }
    const TResizeSelectionFunction& ResizeSelectionFunction() const { return ResizeSelection; }
    // Also set on every selection of the list.
    void SetDrawSelectionFunction(const TDrawSelectionFunction& function);
    void SetResizeSelectionFunction(const TResizeSelectionFunction& function);

    TAddNewSelectionFunction AddNewSelectionFunction;
    TSelectionOverWhichTheMouseIsFunction SelectionOverWhichTheMouseIsFunction;
    TUpdateSelectionsListFunction UpdateSelectionsListFunction;

    static constexpr int PaletteSize = 9;

private:
    TSelectioner* Focused() const { return GetSelection(FocusIndexValue); }

    std::vector<std::unique_ptr<TSelectioner>> Items;
    int FocusIndexValue = -1;
    int SelectionDimensionIndexValue = -1;
    std::array<TOpenGLColor, PaletteSize> Palette;
    TDrawSelectionFunction DrawSelection;
    TResizeSelectionFunction ResizeSelection;
};

// What a view's "add new selection" does once it knows the range: a selection over
// [min, max] (normalised) on the list's dimension of `data`, appended, focused and coloured
// from the palette. For commands and tools that make a brush without a pointer.
TSelectioner* AddSelectionOver(TSelectionsList& list, TPreProcessedData* data, float min, float max);
