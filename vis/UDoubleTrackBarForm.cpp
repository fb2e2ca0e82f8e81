#include "vis/UDoubleTrackBarForm.h"

#include <QCloseEvent>
#include <QLabel>
#include <QSlider>

namespace {
// Laid out at 120 pixels per inch; scaled to device-independent pixels (96 per inch).
constexpr double DesignScale = 96.0 / 120.0;
int Dip(int designPixels) { return static_cast<int>(designPixels * DesignScale + 0.5); }

QSlider* MakeTrackBar(QWidget* parent, int left, int top)
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setGeometry(Dip(left), Dip(top), Dip(365), Dip(31));
    bar->setRange(1, 10);
    bar->setValue(1);
    bar->setSingleStep(2);
    bar->setPageStep(1);
    bar->setTickInterval(1);
    bar->setTickPosition(QSlider::TicksBothSides);
    return bar;
}
} // namespace

TFormDoubleTrackBar::TFormDoubleTrackBar(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint)
{
    setWindowTitle("Double Track Bar");
    QFont font("MS Sans Serif");
    font.setPixelSize(Dip(13));
    setFont(font);
    resize(Dip(420), Dip(200));

    LabelCaption1 = new QLabel("LabelCaption1", this);
    LabelCaption1->move(Dip(16), Dip(9));
    LabelCaption2 = new QLabel("LabelCaption2", this);
    LabelCaption2->move(Dip(16), Dip(76));
    // Labels grow with their texts ("Time range: 100000").
    LabelCaption1->setMinimumWidth(Dip(300));
    LabelCaption2->setMinimumWidth(Dip(300));
    TrackBarToSet = MakeTrackBar(this, 10, 26);
    TrackBarToSet2 = MakeTrackBar(this, 10, 102);
    FormCreate();
}

TFormDoubleTrackBar::~TFormDoubleTrackBar() = default;

void TFormDoubleTrackBar::FormCreate()
{
    TrackBarToSet->setGeometry(10, 30, 300, 25);
    TrackBarToSet2->setGeometry(TrackBarToSet->x(), TrackBarToSet->y() + 56, TrackBarToSet->width(), 25);
    LabelCaption2->move(LabelCaption2->x(), TrackBarToSet2->y() - 20);
}

void TFormDoubleTrackBar::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && OnClose) OnClose();
}
