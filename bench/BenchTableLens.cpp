// lumetra-bench tablelens FILE [--width W --height H] [--runs N] [--brush3]
// Opens a table lens on FILE in a real window (under Xvfb) and times what a user does
// with it. Per run, one line each:
//   tablelens open records=R seconds=S cpu_seconds=C megabytes=M
//       (view created and given the dataset and controller; resident memory it added,
//        the largest of the runs in the median line: later runs reuse freed memory)
//   tablelens reorder ... cpu_seconds=C   (a click orders the rows by another column)
//   tablelens scroll ... cpu_seconds=C    (a page down: the visible rows drawn again)
//   tablelens hover ... cpu_seconds=C     (the pointer onto the next row: the overlay)
// cpu_seconds is the paint's time before the primitives reach OpenGL (the paint's wall
// time less the OpenGL drawing's own), as the paint benchmark counts it; for open it is
// the thread's CPU time. With --brush3 the records are filtered by [0.2, 0.8] on
// dimensions 1, 2 and 3 under AND first. Then the medians.
#include <GL/gl.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "data/PreProcessedData.h"
#include "render/gl/SurfaceFormat.h"
#include "techniques/tablelens/TableLens.h"
#include "vis/SelectionsController.h"

namespace {

double ThreadCpu()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

double RssMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0.0;
}

// The table lens with its paints timed (full paints and overlay paints alike).
class TTimedTableLens : public TTableLens {
public:
    void Paint() override { Timed([this] { TTableLens::Paint(); }); }
    void PaintOverlay() override { Timed([this] { TTableLens::PaintOverlay(); }); }
    double Cpu = 0.0;  // summed since the last Reset
    void Reset() { Cpu = 0.0; }

private:
    template <typename F> void Timed(F paint)
    {
        TOpenGLDrawing* drawing = OpenGLDrawing();
        const double gl0 = drawing ? drawing->GlSeconds : 0.0;
        const double t0 = NowSeconds();
        paint();
        Cpu += (NowSeconds() - t0) - ((drawing ? drawing->GlSeconds : 0.0) - gl0);
    }
};

void Finish(TTimedTableLens& view)
{
    view.makeCurrent();
    glFinish();
    view.doneCurrent();
}

void Report(const char* what, long long records, std::vector<double>& cpu)
{
    std::printf("tablelens %s median records=%lld cpu_seconds=%.6f\n", what, records, Median(cpu));
}

int RunTableLens(const std::string& file, int width, int height, int runs, bool brush3)
{
    if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "tablelens: needs a display (run under xvfb-run)\n");
        return 2;
    }
    static int argc = 1;
    static char name[] = "lumetra-bench";
    static char* argv[] = {name, nullptr};
    InstallDefaultSurfaceFormat();
    static QApplication* application = new QApplication(argc, argv);
    (void)application;

    TPreProcessedData data;
    if (!data.ReadTextFile(file)) {
        std::fprintf(stderr, "tablelens: cannot read %s\n", file.c_str());
        return 1;
    }
    const long long records = data.RecordsNumber;
    const int n = data.NumberOfDimensions();
    TSelectionsController controller;
    controller.BindData(&data);

    std::vector<double> open, openCpu, megabytes;
    std::unique_ptr<TTimedTableLens> view;
    for (int run = 0; run < runs; ++run) {
        view.reset();
        const double rss0 = RssMegabytes();
        const double t0 = NowSeconds();
        const double c0 = ThreadCpu();
        view = std::make_unique<TTimedTableLens>();
        view->resize(width, height);
        view->SetPreProcessedData(&data);
        view->SetSelectionsController(&controller);
        open.push_back(NowSeconds() - t0);
        openCpu.push_back(ThreadCpu() - c0);
        megabytes.push_back(RssMegabytes() - rss0);
        std::printf("tablelens open records=%lld seconds=%.6f cpu_seconds=%.6f megabytes=%.1f\n", records, open.back(),
                    openCpu.back(), megabytes.back());
    }
    view->show();
    QElapsedTimer waited;
    waited.start();
    while (!(view->windowHandle() && view->windowHandle()->isExposed()) && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    if (!view->isValid()) {
        std::fprintf(stderr, "tablelens: no OpenGL window\n");
        return 1;
    }
    view->Repaint();
    if (brush3 && n > 3) {
        controller.LogicOperation = loAND;
        for (int d = 1; d <= 3; ++d) {
            const TTableLensColumn& column = view->TableLensColumnsList.Column(d);
            TSelectionsList* list = controller.GetSelectionsList(d);
            list->AddNewSelection(int(column.PosX0 + column.OffsetOfValue(0.2f)), 100);
            if (TSelectioner* s = list->GetSelection(0)) s->SetMaxNormalized(0.8f);
        }
        view->Repaint();
        std::printf("tablelens brush3 shown=%lld\n", (long long)view->TableLensRecordList.Shown());
    }

    std::vector<double> reorder, scroll, hover;
    auto timed = [&](auto action) {
        view->Reset();
        action();
        Finish(*view);
        return view->Cpu;
    };
    for (int run = 0; run < runs; ++run) {
        // A click in another column orders the rows by it.
        const TTableLensColumn& column = view->TableLensColumnsList.Column((run + 1) % std::max(1, n));
        reorder.push_back(timed([&] {
            view->TableLensColumnsList.ChooseOrderAt(int(column.PosX0 + 5), 100, view->SpaceHeight);
            view->Repaint();
        }));
        scroll.push_back(timed([&] { view->ScrollBy(view->height() - 100); }));
        const int y = 200 + (run % 2) * int(std::max(1.0f, view->Thickness()));
        hover.push_back(timed([&] { view->MouseMoveOnPanel(Qt::NoButton, Qt::NoModifier, 100, y); }));
        std::printf("tablelens reorder records=%lld cpu_seconds=%.6f\n", records, reorder.back());
        std::printf("tablelens scroll records=%lld cpu_seconds=%.6f\n", records, scroll.back());
        std::printf("tablelens hover records=%lld cpu_seconds=%.6f overlay_paints=%lld\n", records, hover.back(),
                    view->OverlayPaints);
    }
    std::printf("tablelens open median records=%lld seconds=%.6f cpu_seconds=%.6f megabytes=%.1f\n", records,
                Median(open), Median(openCpu), *std::max_element(megabytes.begin(), megabytes.end()));
    Report("reorder", records, reorder);
    Report("scroll", records, scroll);
    Report("hover", records, hover);
    view.reset();
    return 0;
}

const bool registered = RegisterBenchCommand({
    "tablelens",
    "tablelens FILE [--width W --height H] [--runs N] [--brush3]   (table lens: open, re-order, scroll, hover)",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty() || arguments[0].rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: lumetra-bench tablelens FILE [--width W --height H] [--runs N] [--brush3]\n");
            return 2;
        }
        const int runs = std::max(1, std::atoi(Option(arguments, "--runs", "7").c_str()));
        const int width = std::max(200, std::atoi(Option(arguments, "--width", "1200").c_str()));
        const int height = std::max(200, std::atoi(Option(arguments, "--height", "900").c_str()));
        return RunTableLens(arguments[0], width, height, runs, HasFlag(arguments, "--brush3"));
    },
    {},
});

} // namespace
