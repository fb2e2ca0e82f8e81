#include "vis/UTrackBarForm.h"

#include <QSlider>

namespace {
// The window was laid out at 144 pixels per inch; Qt works in device-independent pixels
// (96 per inch), so every design size is scaled by 2/3.
constexpr double DesignScale = 96.0 / 144.0;
int Dip(int designPixels) { return static_cast<int>(designPixels * DesignScale + 0.5); }
} // namespace

TFormTrackBar::TFormTrackBar(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint)
{
    setWindowTitle("FormTrackBar");
    QFont font("MS Sans Serif");
    font.setPixelSize(Dip(17));
    setFont(font);
    setGeometry(Dip(210), Dip(156), Dip(397), Dip(106));

    TrackBarToSet = new QSlider(Qt::Horizontal, this);
    TrackBarToSet->setGeometry(Dip(13), Dip(13), Dip(456), Dip(38));
    TrackBarToSet->setRange(1, 10);
    TrackBarToSet->setValue(1);
    TrackBarToSet->setSingleStep(2);
    TrackBarToSet->setPageStep(1);
    TrackBarToSet->setTickInterval(1);
    TrackBarToSet->setTickPosition(QSlider::TicksBothSides);
    connect(TrackBarToSet, &QSlider::valueChanged, this, [this](int position) {
        if (OnChange) OnChange(position);
    });
    FormCreate();
}

TFormTrackBar::~TFormTrackBar() = default;

void TFormTrackBar::FormCreate()
{
    QRect bar = TrackBarToSet->geometry();
    if (width() < bar.width()) bar.setWidth(width());
    bar.setWidth(width() - 20);
    if (height() < bar.height()) bar.setHeight(height());
    bar.moveLeft(10);
    bar.moveTop((height() - bar.height()) / 2 - 15);
    if (bar.top() < 0) bar.moveTop(0);  // a very low window still shows the whole bar
    TrackBarToSet->setGeometry(bar);
}
