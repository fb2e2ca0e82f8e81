#include "vis/DensityDrawing.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QMenu>

void TDensityDrawingMenu::Check(TDrawingChoice choice) const
{
    QAction* item = choice == TDrawingChoice::Exact ? Exact : choice == TDrawingChoice::Density ? Density : Automatic;
    if (item) item->setChecked(true);
}

TDensityDrawingMenu AddDensityDrawingMenu(QMenu* popup, QObject* owner, std::function<void(TDrawingChoice)> changed)
{
    TDensityDrawingMenu items;
    if (!popup) return items;
    items.Menu = popup->addMenu("Density Drawing");
    auto* group = new QActionGroup(items.Menu);
    group->setExclusive(true);
    auto add = [&](const char* caption, TDrawingChoice choice) {
        QAction* item = items.Menu->addAction(caption);
        item->setCheckable(true);
        group->addAction(item);
        QObject::connect(item, &QAction::triggered, owner, [changed, choice] {
            if (changed) changed(choice);
        });
        return item;
    };
    items.Automatic = add("Automatic", TDrawingChoice::Automatic);
    items.Exact = add("Exact", TDrawingChoice::Exact);
    items.Density = add("Density", TDrawingChoice::Density);
    items.Automatic->setChecked(true);
    return items;
}

TBusyCursor::TBusyCursor(bool busy)
{
    if (!busy || !qApp || !QApplication::instance()->inherits("QApplication")) return;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    Shown = true;
}

TBusyCursor::~TBusyCursor()
{
    if (Shown) QApplication::restoreOverrideCursor();
}
