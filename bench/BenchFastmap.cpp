// lumetra-bench fastmap: the FastMap projection alone (pivots and coordinates of every
// record into three axes), on a dataset loaded once.
// lumetra-bench fastmapview: the FastMap view in a real window: full repaints beside the same
// points drawn by OpenGL from one vertex array (one glDrawArrays of GL_POINTS, same camera,
// same window), and selection-mode picks (a picking paint and the repaint after it).
#include <GL/gl.h>
#include <GL/glu.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "data/FastMapper.h"
#include "data/MetricEvaluator.h"
#include "data/PreProcessedData.h"
#include "render/gl/SurfaceFormat.h"
#include "techniques/fastmap/FastmapProjection.h"
#include "vis/SelectionsController.h"

namespace {

constexpr int Axes = 3;
constexpr int PivotIterations = 5;

int RunFastmap(const TPreProcessedData& data, int runs, bool dump)
{
    if (runs < 1) runs = 1;
    const TRecordList& records = data.ListOfPreprocessedRecords;
    std::vector<float> coordinates(records.size() * Axes);
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        stBasicEuclideanMetricEvaluator evaluator;
        const double start = NowSeconds();
        TFastMapper mapper(evaluator, Axes, PivotIterations);
        mapper.BuildAxes(data, records);
        mapper.ProjectRecords(records, coordinates.data());
        const double elapsed = NowSeconds() - start;
        seconds.push_back(elapsed);
        std::printf("fastmap records=%zu seconds=%.4f distances=%llu\n", records.size(), elapsed,
                    static_cast<unsigned long long>(evaluator.DistanceCount));
        std::fflush(stdout);
    }
    if (dump)
        for (std::size_t j = 0; j < records.size(); ++j)
            std::printf("point %d %.9g %.9g %.9g\n", records[j]->Index, coordinates[Axes * j], coordinates[Axes * j + 1],
                        coordinates[Axes * j + 2]);
    std::printf("fastmap median_seconds=%.4f runs=%d\n", Median(seconds), runs);
    return 0;
}

// n records of d uniform pseudo-random normalised values.
std::unique_ptr<TPreProcessedData> SyntheticData(int n, int d)
{
    auto data = std::make_unique<TPreProcessedData>();
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < d; ++i) {
        TPreProcessedDimension* dimension = data->AddDimension("d" + std::to_string(i));
        dimension->Values.reserve(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            dimension->AddValue(static_cast<float>(state >> 40) / static_cast<float>(1 << 24));
        }
    }
    data->BuildRecords();
    data->Normalise(true);
    return data;
}


// The view, or in reference mode its points alone with one glDrawArrays.
class TTimedFastmap : public TFastmapProjection {
public:
    void Paint() override
    {
        if (!Reference) {
            TFastmapProjection::Paint();
            return;
        }
        const double ratio = devicePixelRatioF();
        glViewport(0, 0, int(width() * ratio), int(height() * ratio));
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const TPerspective p = Camera.Perspective(width(), height());
        gluPerspective(p.FieldOfView, p.Aspect, p.Near, p.Far);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const TLookAt look = Camera.LookAt();
        gluLookAt(look.EyeX, look.EyeY, look.EyeZ, look.CenterX, look.CenterY, look.CenterZ, 0, 1, 0);
        glRotatef(Camera.RotationY, 0, 1, 0);
        glRotatef(Camera.RotationX, 1, 0, 0);
        glScalef(Camera.Scale, Camera.Scale, Camera.Scale);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glPointSize(float(PointList->VertexPointSize() * ratio));
        glColor3f(0, 0, 1);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, PointList->Position(0));
        glDrawArrays(GL_POINTS, 0, GLsizei(PointList->Count()));
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    bool Reference = false;
};

double Finished(TTimedFastmap& view, double start)
{
    view.makeCurrent();
    glFinish();
    view.doneCurrent();
    return NowSeconds() - start;
}

int RunFastmapView(const std::string& file, int width, int height, int runs)
{
    if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "fastmapview: needs a display (run under xvfb-run)\n");
        return 2;
    }
    static int argc = 1;
    static char name[] = "lumetra-bench";
    static char* argv[] = {name, nullptr};
    InstallDefaultSurfaceFormat();
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
    TPreProcessedData data;
    if (!data.ReadTextFile(file) || data.RecordsNumber == 0) {
        std::fprintf(stderr, "fastmapview: cannot read %s\n", file.c_str());
        return 1;
    }
    TSelectionsController controller;
    controller.BindData(&data);
    auto view = std::make_unique<TTimedFastmap>();
    const double projectStart = NowSeconds();
    view->SetPreProcessedData(&data);
    const double projection = NowSeconds() - projectStart;
    view->SetSelectionsController(&controller);
    view->resize(width, height);
    view->show();
    QElapsedTimer waited;
    waited.start();
    while (!(view->windowHandle() && view->windowHandle()->isExposed()) && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    if (!view->isValid()) {
        std::fprintf(stderr, "fastmapview: no OpenGL window\n");
        return 1;
    }
    std::printf("fastmapview records=%d projection_seconds=%.4f\n", data.RecordsNumber, projection);
    view->Repaint();
    std::vector<double> seconds, reference, picks;
    for (int run = 0; run < runs; ++run) {
        view->Reference = false;
        double t0 = NowSeconds();
        view->Repaint();
        seconds.push_back(Finished(*view, t0));
        view->Reference = true;
        t0 = NowSeconds();
        view->Repaint();
        reference.push_back(Finished(*view, t0));
        std::printf("paint technique=fastmap records=%d seconds=%.6f reference_seconds=%.6f\n", data.RecordsNumber,
                    seconds.back(), reference.back());
        std::fflush(stdout);
    }
    view->Reference = false;
    view->SetSelectionModeClick();
    for (int run = 0; run < runs; ++run) {
        view->PickX = width / 2 + run;
        view->PickY = height / 2;
        const double t0 = NowSeconds();
        view->Pick();
        picks.push_back(Finished(*view, t0));
        std::printf("pick technique=fastmap records=%d seconds=%.6f selected=%d\n", data.RecordsNumber, picks.back(),
                    view->PointList->MarkedElement());
        std::fflush(stdout);
    }
    const double s = Median(seconds), r = Median(reference);
    std::printf("fastmapview_median records=%d paint_seconds=%.6f reference_seconds=%.6f ratio=%.3f pick_seconds=%.6f\n",
                data.RecordsNumber, s, r, r > 0 ? s / r : 0.0, Median(picks));
    return 0;
}

const bool registeredView = RegisterBenchCommand({
    "fastmapview",
    "fastmapview FILE [--width W --height H] [--runs N]   (FastMap view: repaint vs one glDrawArrays, picks)",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty() || arguments[0].rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: lumetra-bench fastmapview FILE [--width W --height H] [--runs N]\n");
            return 2;
        }
        return RunFastmapView(arguments[0], std::atoi(Option(arguments, "--width", "800").c_str()),
                              std::atoi(Option(arguments, "--height", "600").c_str()),
                              std::max(1, std::atoi(Option(arguments, "--runs", "5").c_str())));
    },
    {},
});

const bool registered = RegisterBenchCommand({
    "fastmap",
    "fastmap FILE [--runs N] [--dump]",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty() || arguments[0].rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: lumetra-bench fastmap FILE [--runs N] [--dump]\n");
            return 2;
        }
        TPreProcessedData data;
        if (!data.ReadTextFile(arguments[0])) {
            std::fprintf(stderr, "fastmap: could not load %s\n", arguments[0].c_str());
            return 1;
        }
        return RunFastmap(data, std::atoi(Option(arguments, "--runs", "5").c_str()), HasFlag(arguments, "--dump"));
    },
    [](const std::string&) {
        std::printf("fastmap synthetic: 100000 records x 11 dimensions\n");
        return RunFastmap(*SyntheticData(100000, 11), 3, false);
    },
});

} // namespace
