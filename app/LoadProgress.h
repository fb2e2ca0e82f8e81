#pragma once
// Progress of a load that runs on the user-interface thread: after half a second a modal
// dialog with a Cancel button appears; the engine asks KeepGoing() now and then, which
// keeps the window answering and says whether Cancel was pressed. No threads.
#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

class TLoadProgress {
public:
    TLoadProgress(QWidget* parent, QString label);
    ~TLoadProgress();
    TLoadProgress(const TLoadProgress&) = delete;
    TLoadProgress& operator=(const TLoadProgress&) = delete;

    // False once Cancel was pressed. Cheap while the load is young.
    bool KeepGoing();
    bool Shown() const { return Dialog != nullptr; }

    static constexpr int DelayMs = 500;      // a load shorter than this shows nothing
    static constexpr int EventsEveryMs = 40;  // how often the windows get their events

private:
    QWidget* Parent;
    QString Label;
    QElapsedTimer Clock;
    qint64 LastEvents = 0;
    std::unique_ptr<QProgressDialog> Dialog;
    bool CancelPressed = false;
};
