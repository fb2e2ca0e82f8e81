#pragma once
// A window with two labelled track bars; views use it as their time line (time moment and
// time range). Closing it hides it and reports the close to its creator.

#include <functional>

#include <QWidget>

class QLabel;
class QSlider;

class TFormDoubleTrackBar : public QWidget {
    Q_OBJECT
public:
    explicit TFormDoubleTrackBar(QWidget* owner = nullptr);
    ~TFormDoubleTrackBar() override;

    // Places the two track bars and the second label.
    void FormCreate();

    QLabel* LabelCaption1 = nullptr;
    QLabel* LabelCaption2 = nullptr;
    QSlider* TrackBarToSet = nullptr;
    QSlider* TrackBarToSet2 = nullptr;

    // Called when the user closes the window (it is then hidden, not destroyed).
    std::function<void()> OnClose;

protected:
    void closeEvent(QCloseEvent* event) override;
};
