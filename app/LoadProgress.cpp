#include "app/LoadProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

TLoadProgress::TLoadProgress(QWidget* parent, QString label) : Parent(parent), Label(std::move(label)) { Clock.start(); }

TLoadProgress::~TLoadProgress() = default;

bool TLoadProgress::KeepGoing()
{
    if (CancelPressed) return false;
    const qint64 now = Clock.elapsed();
    if (now < DelayMs || now - LastEvents < EventsEveryMs) return true;
    LastEvents = now;
    if (!Dialog) {
        Dialog = std::make_unique<QProgressDialog>(Label, QStringLiteral("Cancel"), 0, 0, Parent);
        Dialog->setObjectName(QStringLiteral("LoadProgress"));
        Dialog->setWindowTitle(QStringLiteral("Loading"));
        // Application-modal: while events are handled here, no other window takes input,
        // so nothing can start a second load or free what this one reads.
        Dialog->setWindowModality(Qt::ApplicationModal);
        Dialog->setMinimumDuration(0);
        Dialog->setAutoClose(false);
        Dialog->setAutoReset(false);
        Dialog->show();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (Dialog->wasCanceled()) CancelPressed = true;
    return !CancelPressed;
}
