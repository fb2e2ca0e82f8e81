// lumetra-bench paint FILE --technique parallel [--width W --height H] [--runs N]
//                        [--mode normal|freq|relev] [--brush]
// Opens a parallel coordinates view on FILE in a real window and times synchronous
// repaints. Per run: `paint technique=parallel records=R seconds=S cpu_seconds=C`, where
// seconds is the wall time of one repaint until OpenGL has finished drawing, and
// cpu_seconds the part of the view's paint spent before the primitives reach OpenGL (the
// paint's wall time minus the OpenGL drawing's GL-time counter). Then the reference: the
// same segments drawn by OpenGL from one vertex array (one glDrawArrays of GL_LINES) in
// the same window, and the medians with the ratio of the two.
#include <GL/gl.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <ctime>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "data/PreProcessedData.h"
#include "render/gl/SurfaceFormat.h"
#include "techniques/parallel/ParallelCoordinates.h"
#include "vis/SelectionsController.h"

namespace {

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// The parallel view with its paint timed; in reference mode it draws the given segments
// with one glDrawArrays instead.
class TTimedParallel : public TParallelCoordinates {
public:
    void Paint() override
    {
        if (Reference) {
            PaintReference();
            return;
        }
        TOpenGLDrawing* drawing = OpenGLDrawing();
        const double gl0 = drawing ? drawing->GlSeconds : 0.0;
        const double t0 = NowSeconds();
        const double c0 = ThreadCpuSeconds();
        TParallelCoordinates::Paint();
        LastPaintSeconds = NowSeconds() - t0;
        LastPaintCpu = ThreadCpuSeconds() - c0;
        LastGlSeconds = (drawing ? drawing->GlSeconds : 0.0) - gl0;
    }

    bool Reference = false;
    std::vector<float> Segments;  // x, y, z per vertex, two vertices per segment
    double LastPaintSeconds = 0.0;
    double LastGlSeconds = 0.0;
    double LastPaintCpu = 0.0;  // CPU time of the paint thread during the paint

private:
    void PaintReference()
    {
        const double ratio = devicePixelRatioF();
        glViewport(0, 0, int(width() * ratio), int(height() * ratio));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, SpaceWidth, 0, SpaceHeight, -2, 2);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST);
        glLineWidth(float(ratio));
        glColor3f(0, 0, 1);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, Segments.data());
        glDrawArrays(GL_LINES, 0, GLsizei(Segments.size() / 3));
        glDisableClientState(GL_VERTEX_ARRAY);
    }
};

// One synchronous repaint, waited for until OpenGL has drawn everything.
double TimedRepaint(TTimedParallel& view)
{
    const double t0 = NowSeconds();
    view.Repaint();
    view.makeCurrent();
    glFinish();
    view.doneCurrent();
    return NowSeconds() - t0;
}

int RunPaint(const std::string& file, int width, int height, int runs, const std::string& mode, bool brush)
{
    if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "paint: needs a display (run under xvfb-run)\n");
        return 2;
    }
    static int argc = 1;
    static char name[] = "lumetra-bench";
    static char* argv[] = {name, nullptr};
    InstallDefaultSurfaceFormat();
    static QApplication* application = new QApplication(argc, argv);  // one per process, kept
    (void)application;

    TPreProcessedData data;
    if (!data.ReadTextFile(file)) {
        std::fprintf(stderr, "paint: cannot read %s\n", file.c_str());
        return 1;
    }
    TSelectionsController controller;
    controller.BindData(&data);
    auto view = std::make_unique<TTimedParallel>();
    view->SetPreProcessedData(&data);
    view->SetSelectionsController(&controller);
    view->resize(width, height);
    view->show();
    QElapsedTimer waited;
    waited.start();
    while (!(view->windowHandle() && view->windowHandle()->isExposed()) && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    if (!view->windowHandle() || !view->windowHandle()->isExposed() || !view->isValid()) {
        std::fprintf(stderr, "paint: no OpenGL window\n");
        return 1;
    }
    view->Repaint();
    if (mode == "freq") view->DrawModeFrequencyClick();
    if (mode == "relev") view->DrawModeRelevanceClick();
    if (brush && data.NumberOfDimensions() > 1) {
        // A brush over the middle of the second axis: [0.2, 0.8].
        TSelectionsList* list = controller.GetSelectionsList(1);
        list->AddNewSelection(0, view->ValueScale().ToLogicalInt(0.2f));
        if (TSelectioner* s = list->GetSelection(0)) s->SetMaxNormalized(0.8f);
    }

    std::vector<double> seconds, cpu, threadCpu;
    for (int run = 0; run < runs; ++run) {
        const double total = TimedRepaint(*view);
        const double c = view->LastPaintSeconds - view->LastGlSeconds;
        seconds.push_back(total);
        cpu.push_back(c);
        threadCpu.push_back(view->LastPaintCpu);
        std::printf("paint technique=parallel records=%d seconds=%.6f cpu_seconds=%.6f\n", data.RecordsNumber, total, c);
        std::fflush(stdout);
    }

    // The view's own work alone: the same paint into a drawing that discards everything.
    std::vector<double> own;
    for (int run = 0; run < runs; ++run) {
        TDiscardingDrawing discarding;
        TCurrentDrawing current(discarding);
        const double t0 = NowSeconds();
        static_cast<TParallelCoordinates&>(*view).Paint();
        own.push_back(NowSeconds() - t0);
    }
    std::printf("paint_view_only technique=parallel records=%d seconds=%.6f\n", data.RecordsNumber, Median(own));

    // The same segments (every record, axes in order) from one vertex array.
    const int n = data.NumberOfDimensions();
    view->Segments.reserve(std::size_t(data.RecordsNumber) * std::max(0, n - 1) * 6);
    for (int k = 0; k < data.RecordsNumber; ++k) {
        const TPreProcessedRecord* record = data.GetRecord(k);
        for (int i = 0; i + 1 < n; ++i)
            for (int j = i; j <= i + 1; ++j) {
                view->Segments.push_back(view->GetAxisX(j));
                view->Segments.push_back(view->ValueScale().ToLogical(data.Value(j, record)));
                view->Segments.push_back(0.0f);
            }
    }
    view->Reference = true;
    std::vector<double> reference;
    for (int run = 0; run < runs; ++run) {
        const double total = TimedRepaint(*view);
        reference.push_back(total);
        std::printf("paint_reference technique=parallel records=%d segments=%zu seconds=%.6f\n", data.RecordsNumber,
                    view->Segments.size() / 6, total);
        std::fflush(stdout);
    }
    const double s = Median(seconds), r = Median(reference);
    std::printf("paint_median technique=parallel records=%d seconds=%.6f cpu_seconds=%.6f reference_seconds=%.6f "
                "ratio=%.3f min_cpu_seconds=%.6f paint_thread_cpu_seconds=%.6f\n",
                data.RecordsNumber, s, Median(cpu), r, r > 0 ? s / r : 0.0, *std::min_element(cpu.begin(), cpu.end()),
                Median(threadCpu));
    return 0;
}

bool WriteRecords(const std::string& fileName, int records, int dimensions)
{
    FILE* out = std::fopen(fileName.c_str(), "w");
    if (!out) return false;
    std::fprintf(out, "#");
    for (int d = 0; d < dimensions; ++d) std::fprintf(out, "%sd%d", d ? " " : "", d);
    std::fprintf(out, "\n");
    std::mt19937 generator(7);
    std::uniform_int_distribution<int> value(0, 9999);
    for (int k = 0; k < records; ++k)
        for (int d = 0; d < dimensions; ++d) std::fprintf(out, "%d%c", value(generator), d + 1 < dimensions ? ' ' : '\n');
    return std::fclose(out) == 0;
}

const bool registered = RegisterBenchCommand({
    "paint",
    "paint FILE --technique parallel [--width W --height H] [--runs N] [--mode normal|freq|relev] [--brush]",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty() || arguments[0].rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: lumetra-bench paint FILE --technique parallel [--width W --height H] [--runs N]\n");
            return 2;
        }
        const std::string technique = Option(arguments, "--technique", "parallel");
        if (technique != "parallel") {
            std::fprintf(stderr, "paint: unknown technique \"%s\" (known: parallel)\n", technique.c_str());
            return 2;
        }
        const int width = std::max(1, std::atoi(Option(arguments, "--width", "1024").c_str()));
        const int height = std::max(1, std::atoi(Option(arguments, "--height", "768").c_str()));
        const int runs = std::max(1, std::atoi(Option(arguments, "--runs", "5").c_str()));
        return RunPaint(arguments[0], width, height, runs, Option(arguments, "--mode", "normal"),
                        HasFlag(arguments, "--brush"));
    },
    [](const std::string& scratch) {
        if (!qEnvironmentVariableIsSet("DISPLAY")) {
            std::printf("paint synthetic: skipped (no display)\n");
            return 0;
        }
        const std::string file = scratch + "/synthetic-paint.lumet";
        std::printf("paint synthetic: 100000 records x 11 dimensions\n");
        if (!WriteRecords(file, 100000, 11)) return 1;
        return RunPaint(file, 1024, 768, 3, "normal", false);
    },
});

const bool registeredGen = RegisterBenchCommand({
    "paintgen",
    "paintgen N D FILE   (random integer table for the paint benchmark)",
    [](const std::vector<std::string>& arguments) {
        if (arguments.size() != 3) return 2;
        return WriteRecords(arguments[2], std::atoi(arguments[0].c_str()), std::atoi(arguments[1].c_str())) ? 0 : 1;
    },
    {},
});

} // namespace
