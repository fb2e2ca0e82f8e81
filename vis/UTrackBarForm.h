#pragma once
// A small always-on-top tool window with one track bar. Views create one for each number
// the user tunes with a slider (the "Max Relevance Distance" tracker, point sizes, ...).
// Closing it only hides it; its view shows it again from its menu and frees it with itself.

#include <functional>

#include <QWidget>

class QSlider;

class TFormTrackBar : public QWidget {
    Q_OBJECT
public:
    explicit TFormTrackBar(QWidget* owner = nullptr);
    ~TFormTrackBar() override;

    // Fits the track bar into the window: at most the window's width minus 20, centred
    // vertically a little above the middle.
    void FormCreate();

    QSlider* TrackBarToSet = nullptr;
    // Called with the new position whenever the track bar's position changes, also when
    // code sets it.
    std::function<void(int position)> OnChange;

    int GetDimensionToSet() const { return DimensionToSet; }
    void SetDimensionToSet(int dimension) { DimensionToSet = dimension; }

private:
    int DimensionToSet = -1;
};
