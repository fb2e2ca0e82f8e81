#pragma once
// What the views that can draw densities share: the user's choice between exact and
// density drawing (the popup's "Density Drawing" submenu), the rule that picks one in
// automatic mode, and the busy cursor for paints that still take long.

#include <cstddef>
#include <functional>

class QAction;
class QMenu;
class QObject;

enum class TDrawingChoice { Automatic, Exact, Density };

// The "Density Drawing" submenu: radio items "Automatic" (checked at first), "Exact" and
// "Density"; `changed` runs with the chosen item.
struct TDensityDrawingMenu {
    QMenu* Menu = nullptr;
    QAction* Automatic = nullptr;
    QAction* Exact = nullptr;
    QAction* Density = nullptr;
    // Checks the item of `choice` (without running `changed`).
    void Check(TDrawingChoice choice) const;
};
TDensityDrawingMenu AddDensityDrawingMenu(QMenu* popup, QObject* owner, std::function<void(TDrawingChoice)> changed);

// Whether `records` records are drawn as densities: always under Density, never under
// Exact, from `threshold` records on under Automatic.
inline bool DrawsDensity(TDrawingChoice choice, std::size_t records, std::size_t threshold)
{
    return choice == TDrawingChoice::Density || (choice == TDrawingChoice::Automatic && records >= threshold);
}

// The busy cursor for its lifetime, when `busy` (an action expected to take over half a
// second); shown at once.
class TBusyCursor {
public:
    explicit TBusyCursor(bool busy);
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    bool Shown = false;
};
