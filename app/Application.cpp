#include "app/Application.h"

#include <QMetaObject>

#include <exception>
#include <new>

#include "data/Auxiliar.h"

TLumetraApplication::TLumetraApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TLumetraApplication::notify(QObject* receiver, QEvent* event)
{
    // Every event of the program passes here, also those of nested loops (modal dialogs),
    // so no exception ever unwinds through Qt's own code.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportLater(EscapedExceptionMessage());
    }
    return false;
}

std::string TLumetraApplication::EscapedExceptionMessage()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Not enough memory to finish this action. It was stopped; the exploration tree and its workspaces are kept.";
    } catch (const std::exception& error) {
        return std::string("This action was stopped by an error: ") + error.what();
    } catch (...) {
        return "This action was stopped by an unexpected error.";
    }
}

void TLumetraApplication::ReportLater(std::string message)
{
    if (ReportPending) return;
    ReportPending = true;
    QMetaObject::invokeMethod(
        this,
        [this, message = std::move(message)] {
            try {
                ShowMessage(TMessageKind::Warning, "Warning", message);
            } catch (...) {
                // Not even the message could be shown (no memory left for it): go on without.
            }
            ReportPending = false;
        },
        Qt::QueuedConnection);
}
