#pragma once
// The program's application object. An exception that escapes an event handler (out of
// memory while composing, opening a view or building a pipeline; an error of a library)
// would otherwise end the process and lose the exploration tree: here it stops only the
// action that raised it, its message is shown, and the event loop goes on.
#include <QApplication>

class TLumetraApplication : public QApplication {
public:
    TLumetraApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The message shown for the exception being handled (call inside a catch block).
    static std::string EscapedExceptionMessage();

private:
    // Shows the message once the failed handler has returned: a modal box inside a paint
    // or a mouse handler would run a loop of its own there. One message at a time, so a
    // paint that fails at every repaint does not pile them up.
    void ReportLater(std::string message);
    bool ReportPending = false;
};
