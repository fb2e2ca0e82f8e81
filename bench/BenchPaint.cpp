// lumetra-bench paint FILE --technique NAME [--width W --height H] [--runs N]
//                        [--mode normal|freq|relev] [--brush] [--move] [--menu CAPTION]
// Opens a view of any technique of the list of techniques on FILE in a real window, with
// a selections controller of its own, and times synchronous repaints. Per run:
// `paint technique=T records=R seconds=S cpu_seconds=C`, where seconds is the wall time of
// one repaint until OpenGL has finished drawing, and cpu_seconds the part of the paint spent
// before the primitives reach OpenGL (the paint's wall time minus the OpenGL drawing's
// GL-time counter).
//
// --brush puts an AND of two brushes on the view ([0.2, 0.8] on dimensions 1 and 2).
// --menu runs the view's popup menu item of that caption first (e.g. "Switch 2D/3D").
// --drawing auto|exact|density picks the item of the view's "Density Drawing" submenu
// (parallel coordinates, scatter plot matrix). Repaints that must count every record
// afresh (after the time window's stamp moved, as after a resize or a mode change) are
// timed too: `paint_recount technique=T records=R seconds=S` (median).
// --drag moves one bound of a brush on dimension 1 in 20 steps (from 0.8 down by 0.02, a
// brush [0.2, 0.8] placed first) and times each step's whole repaint:
// `paint_drag technique=T records=R drag_seconds=S selections_seconds=L` (medians; L is the
// part spent in the selections: the records inside and their frequencies).
// --image FILE.png writes the painted view after the timed repaints.
// --move then times pointer moves over the view (its own mouse handler, which repaints what
// it needs): `paint_move technique=T records=R seconds=S full_paints=F overlay_paints=O`,
// seconds per move until OpenGL has finished.
//
// The reference draws the same points and line segments (recorded from one paint of the
// view) from one vertex array each, in the same window under the same matrices: the
// cost of the primitives alone. Finally the medians and their ratio.
#include <GL/gl.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "data/PreProcessedData.h"
#include "render/RecordingDrawing.h"
#include "render/gl/SurfaceFormat.h"
#include "techniques/Techniques.h"
#include "vis/SelectionsController.h"
#include "vis/VisualizationPanel.h"

namespace {

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

void Finish(TVisualizationPanel& view)
{
    view.makeCurrent();
    glFinish();
    view.doneCurrent();
}

// One synchronous repaint, waited for until OpenGL has drawn everything; the paint's own
// part (without OpenGL) in `cpu`.
double TimedRepaint(TVisualizationPanel& view, double& cpu, double& threadCpu)
{
    TOpenGLDrawing* drawing = view.OpenGLDrawing();
    const double gl0 = drawing ? drawing->GlSeconds : 0.0;
    const double t0 = NowSeconds();
    const double c0 = ThreadCpuSeconds();
    view.Repaint();
    const double painted = NowSeconds() - t0;
    threadCpu = ThreadCpuSeconds() - c0;
    drawing = view.OpenGLDrawing();
    cpu = painted - ((drawing ? drawing->GlSeconds : 0.0) - gl0);
    Finish(view);
    return NowSeconds() - t0;
}

// The recorded points and segments of one paint, as arrays for the reference.
struct TReferenceArrays {
    std::vector<float> Lines, LineColors, Points, PointColors;
    float PointSize = 1.0f;
};

TReferenceArrays Record(TVisualizationPanel& view)
{
    TRecordingDrawing recording;
    {
        TCurrentDrawing current(recording);
        view.Paint();
    }
    TReferenceArrays arrays;
    std::map<float, std::size_t> sizes;
    for (const TRecordedSegment& s : recording.LineSegments())
        for (const TRecordedVertex* v : {&s.A, &s.B}) {
            arrays.Lines.insert(arrays.Lines.end(), {v->X, v->Y, v->Z});
            arrays.LineColors.insert(arrays.LineColors.end(), {v->Color.C1, v->Color.C2, v->Color.C3});
        }
    for (const TRecordedPoint& p : recording.Points()) {
        arrays.Points.insert(arrays.Points.end(), {p.V.X, p.V.Y, p.V.Z});
        arrays.PointColors.insert(arrays.PointColors.end(), {p.V.Color.C1, p.V.Color.C2, p.V.Color.C3});
        ++sizes[p.State.PointSize];
    }
    std::size_t most = 0;
    for (const auto& [size, count] : sizes)
        if (count > most) {
            most = count;
            arrays.PointSize = size;
        }
    return arrays;
}

// Draws the reference arrays under the matrices the view's last paint left in the context.
void DrawReference(TVisualizationPanel& view, const TReferenceArrays& arrays, const GLdouble projection[16],
                   const GLdouble modelView[16])
{
    const double ratio = view.devicePixelRatioF();
    glViewport(0, 0, int(view.width() * ratio), int(view.height() * ratio));
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(modelView);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glLineWidth(float(ratio));
    glPointSize(float(arrays.PointSize * ratio));
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    if (!arrays.Lines.empty()) {
        glVertexPointer(3, GL_FLOAT, 0, arrays.Lines.data());
        glColorPointer(3, GL_FLOAT, 0, arrays.LineColors.data());
        glDrawArrays(GL_LINES, 0, GLsizei(arrays.Lines.size() / 3));
    }
    if (!arrays.Points.empty()) {
        glVertexPointer(3, GL_FLOAT, 0, arrays.Points.data());
        glColorPointer(3, GL_FLOAT, 0, arrays.PointColors.data());
        glDrawArrays(GL_POINTS, 0, GLsizei(arrays.Points.size() / 3));
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// The popup menu item with `caption`, in the menu or its submenus; null when there is none.
QAction* FindMenuItem(QMenu* menu, const std::string& caption)
{
    if (!menu) return nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text().toStdString() == caption && !action->menu()) return action;
        if (QAction* inner = FindMenuItem(action->menu(), caption)) return inner;
    }
    return nullptr;
}

// The item `caption` of the submenu `submenu` of the view's popup menu; null when missing.
QAction* FindSubmenuItem(QMenu* menu, const std::string& submenu, const std::string& caption)
{
    if (!menu) return nullptr;
    for (QAction* action : menu->actions()) {
        if (!action->menu()) continue;
        if (action->text().toStdString() == submenu) return FindMenuItem(action->menu(), caption);
        if (QAction* inner = FindSubmenuItem(action->menu(), submenu, caption)) return inner;
    }
    return nullptr;
}

struct TPaintOptions {
    std::string Drawing = "auto";
    bool Drag = false;
    std::string Image;
};

int RunPaint(const std::string& file, const TTechnique& technique, int width, int height, int runs,
             const std::string& mode, bool brush, bool move, const std::string& menu = "",
             const TPaintOptions& options = {})
{
    if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "paint: needs a display (run under xvfb-run)\n");
        return 2;
    }
    if (!technique.Create) {
        std::fprintf(stderr, "paint: the technique \"%s\" has no view yet\n", technique.BenchName);
        return 2;
    }
    static int argc = 1;
    static char name[] = "lumetra-bench";
    static char* argv[] = {name, nullptr};
    InstallDefaultSurfaceFormat();
    static QApplication* application = new QApplication(argc, argv);  // one per process, kept
    (void)application;

    TPreProcessedData data;
    if (!data.ReadDataFile(file)) {
        std::fprintf(stderr, "paint: cannot read %s\n", file.c_str());
        return 1;
    }
    const char* const key = technique.BenchName;
    TSelectionsController controller;
    controller.BindData(&data);
    std::unique_ptr<TVisualizationPanel> view = technique.Create();
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
    if (options.Drawing != "auto") {
        const std::string caption = options.Drawing == "exact" ? "Exact" : options.Drawing == "density" ? "Density" : "";
        QAction* item = caption.empty() ? nullptr : FindSubmenuItem(view->ViewPopupMenu.get(), "Density Drawing", caption);
        if (!item) {
            std::fprintf(stderr, "paint: --drawing %s is not a choice of this view's \"Density Drawing\"\n",
                         options.Drawing.c_str());
            return 2;
        }
        item->trigger();
    }
    view->Repaint();
    if (mode == "freq") view->DrawModeFrequencyClick();
    if (mode == "relev") view->DrawModeRelevanceClick();
    if (!menu.empty()) {
        QAction* item = FindMenuItem(view->ViewPopupMenu.get(), menu);
        if (!item) {
            std::fprintf(stderr, "paint: the view's menu has no \"%s\"\n", menu.c_str());
            return 2;
        }
        item->trigger();
    }
    if (brush)
        for (int d = 1; d <= 2 && d < data.NumberOfDimensions(); ++d)
            AddSelectionOver(*controller.GetSelectionsList(d), &data, 0.2f, 0.8f);
    view->Repaint();

    std::vector<double> seconds, cpu, threadCpu;
    for (int run = 0; run < runs; ++run) {
        double c = 0, tc = 0;
        const double total = TimedRepaint(*view, c, tc);
        seconds.push_back(total);
        cpu.push_back(c);
        threadCpu.push_back(tc);
        std::printf("paint technique=%s records=%d seconds=%.6f cpu_seconds=%.6f\n", key, data.RecordsNumber, total, c);
        std::fflush(stdout);
    }

    // The view's own work alone: the same paint into a drawing that discards everything.
    std::vector<double> own;
    for (int run = 0; run < runs; ++run) {
        TDiscardingDrawing discarding;
        TCurrentDrawing current(discarding);
        const double t0 = NowSeconds();
        view->Paint();
        own.push_back(NowSeconds() - t0);
    }
    std::printf("paint_view_only technique=%s records=%d seconds=%.6f\n", key, data.RecordsNumber, Median(own));

    {
        // Every record drawn again (the time window's change stamp moves): views that keep
        // pictures of their records must count them afresh, as after a resize or a new mode.
        std::vector<double> recounted;
        for (int run = 0; run < runs; ++run) {
            data.SetAllRecordsDrawn(true);
            double c = 0, tc = 0;
            recounted.push_back(TimedRepaint(*view, c, tc));
        }
        std::printf("paint_recount technique=%s records=%d seconds=%.6f\n", key, data.RecordsNumber, Median(recounted));
        std::fflush(stdout);
    }

    if (options.Drag && data.NumberOfDimensions() > 1) {
        // One bound of a brush moved step by step, as a drag does; each step repaints all.
        TSelectioner* moved = AddSelectionOver(*controller.GetSelectionsList(1), &data, 0.2f, 0.8f);
        view->Repaint();
        std::vector<double> steps, selecting;
        for (int step = 1; step <= 20 && moved; ++step) {
            // The selections' own part (the records inside, their frequencies), then the paint.
            const double t0 = NowSeconds();
            moved->SetMaxNormalized(0.8f - 0.02f * float(step));
            controller.ListOfItemsSatisfyingSelections();
            const double selected = NowSeconds() - t0;
            double c = 0, tc = 0;
            steps.push_back(selected + TimedRepaint(*view, c, tc));
            selecting.push_back(selected);
        }
        std::printf("paint_drag technique=%s records=%d drag_seconds=%.6f selections_seconds=%.6f steps=%zu\n", key,
                    data.RecordsNumber, Median(steps), Median(selecting), steps.size());
        std::fflush(stdout);
    }
    if (!options.Image.empty()) {
        const QImage image = view->PaintedImage();
        if (image.isNull() || !image.save(QString::fromStdString(options.Image), "PNG")) {
            std::fprintf(stderr, "paint: cannot write %s\n", options.Image.c_str());
            return 1;
        }
    }

    if (move) {
        // A path across the view and back, a pixel column in every few; each move repaints
        // what the view decides to repaint.
        const long long full0 = view->ScreenPaints, overlay0 = view->OverlayPaints;
        std::vector<double> moves;
        const int steps = 60;
        for (int step = 0; step < steps; ++step) {
            const int x = width / 8 + (step % 30) * (width * 3 / 4) / 30;
            const int y = height / 3 + (step % 30) * (height / 3) / 30;
            const double t0 = NowSeconds();
            view->MouseMoveOnPanel(Qt::NoButton, Qt::NoModifier, x, y);
            Finish(*view);
            moves.push_back(NowSeconds() - t0);
        }
        std::printf("paint_move technique=%s records=%d seconds=%.6f full_paints=%lld overlay_paints=%lld moves=%d\n",
                    key, data.RecordsNumber, Median(moves), view->ScreenPaints - full0, view->OverlayPaints - overlay0,
                    steps);
        std::fflush(stdout);
    }

    // The reference: the matrices of a real paint, then the recorded primitives from one
    // array each.
    const TReferenceArrays arrays = Record(*view);
    GLdouble projection[16], modelView[16];
    view->makeCurrent();
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    view->doneCurrent();
    TVisualizationPanel* panel = view.get();
    view->PaintOverride = [panel, &arrays, &projection, &modelView] { DrawReference(*panel, arrays, projection, modelView); };
    std::vector<double> reference;
    for (int run = 0; run < runs; ++run) {
        double c = 0, tc = 0;
        const double total = TimedRepaint(*view, c, tc);
        reference.push_back(total);
        std::printf("paint_reference technique=%s records=%d segments=%zu points=%zu seconds=%.6f\n", key,
                    data.RecordsNumber, arrays.Lines.size() / 6, arrays.Points.size() / 3, total);
        std::fflush(stdout);
    }
    view->PaintOverride = nullptr;
    const double s = Median(seconds), r = Median(reference);
    std::printf("paint_median technique=%s records=%d seconds=%.6f cpu_seconds=%.6f reference_seconds=%.6f "
                "ratio=%.3f min_cpu_seconds=%.6f paint_thread_cpu_seconds=%.6f\n",
                key, data.RecordsNumber, s, Median(cpu), r, r > 0 ? s / r : 0.0, *std::min_element(cpu.begin(), cpu.end()),
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

std::string KnownTechniques()
{
    std::string known;
    for (const TTechnique& technique : Techniques())
        if (technique.Create) known += (known.empty() ? "" : ", ") + std::string(technique.BenchName);
    return known;
}

const bool registered = RegisterBenchCommand({
    "paint",
    "paint FILE --technique NAME [--width W --height H] [--runs N] [--mode normal|freq|relev] [--brush] [--move] "
    "[--menu CAPTION] [--drawing auto|exact|density] [--drag] [--image FILE.png]",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty() || arguments[0].rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: lumetra-bench paint FILE --technique NAME [--width W --height H] [--runs N] "
                                 "[--mode normal|freq|relev] [--brush] [--move] [--menu CAPTION] "
                                 "[--drawing auto|exact|density] [--drag] [--image FILE.png]\n");
            return 2;
        }
        const std::string name = Option(arguments, "--technique", "parallel");
        const TTechnique* technique = FindTechniqueByBenchName(name);
        if (!technique || !technique->Create) {
            std::fprintf(stderr, "paint: unknown technique \"%s\" (known: %s)\n", name.c_str(), KnownTechniques().c_str());
            return 2;
        }
        const int width = std::max(1, std::atoi(Option(arguments, "--width", "1024").c_str()));
        const int height = std::max(1, std::atoi(Option(arguments, "--height", "768").c_str()));
        const int runs = std::max(1, std::atoi(Option(arguments, "--runs", "5").c_str()));
        TPaintOptions options;
        options.Drawing = Option(arguments, "--drawing", "auto");
        if (options.Drawing != "auto" && options.Drawing != "exact" && options.Drawing != "density") {
            std::fprintf(stderr, "paint: --drawing takes auto, exact or density\n");
            return 2;
        }
        options.Drag = HasFlag(arguments, "--drag");
        options.Image = Option(arguments, "--image", "");
        return RunPaint(arguments[0], *technique, width, height, runs, Option(arguments, "--mode", "normal"),
                        HasFlag(arguments, "--brush"), HasFlag(arguments, "--move"), Option(arguments, "--menu", ""),
                        options);
    },
    [](const std::string& scratch) {
        if (!qEnvironmentVariableIsSet("DISPLAY")) {
            std::printf("paint synthetic: skipped (no display)\n");
            return 0;
        }
        const std::string file = scratch + "/synthetic-paint.lumet";
        std::printf("paint synthetic: 100000 records x 11 dimensions, every technique with a view\n");
        if (!WriteRecords(file, 100000, 11)) return 1;
        for (const TTechnique& technique : Techniques())
            if (technique.Create && RunPaint(file, technique, 1024, 768, 3, "normal", false, false) != 0) return 1;
        return 0;
    },
});

// Resident and peak resident memory of this process, in MB (from /proc/self/status).
void Memory(double& resident, double& peak)
{
    resident = peak = 0;
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        long kb = 0;
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) resident = kb / 1024.0;
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) peak = kb / 1024.0;
    }
    std::fclose(status);
}

// lumetra-bench paint-memory FILE [--width W --height H]: the dataset with one view of every
// technique open at once (each shown and painted, all sharing one selections controller, a
// brush on dimension 1), then the memory of the process:
// `paint_memory records=R views=V resident_mb=M peak_mb=P loaded_mb=L`.
int RunMemory(const std::string& file, int width, int height)
{
    if (!qEnvironmentVariableIsSet("DISPLAY")) {
        std::fprintf(stderr, "paint-memory: needs a display (run under xvfb-run)\n");
        return 2;
    }
    static int argc = 1;
    static char name[] = "lumetra-bench";
    static char* argv[] = {name, nullptr};
    InstallDefaultSurfaceFormat();
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
    TPreProcessedData data;
    if (!data.ReadDataFile(file)) {
        std::fprintf(stderr, "paint-memory: cannot read %s\n", file.c_str());
        return 1;
    }
    double loaded = 0, peak = 0;
    Memory(loaded, peak);
    TSelectionsController controller;
    controller.BindData(&data);
    std::vector<std::unique_ptr<TVisualizationPanel>> views;
    for (const TTechnique& technique : Techniques()) {
        if (!technique.Create) continue;
        views.push_back(technique.Create());
        TVisualizationPanel& view = *views.back();
        view.SetPreProcessedData(&data);
        view.SetSelectionsController(&controller);
        double given = 0;
        Memory(given, peak);
        view.resize(width, height);
        view.show();
        QApplication::processEvents();
        view.Repaint();
        double resident = 0;
        Memory(resident, peak);
        std::printf("paint_memory_view technique=%s resident_mb=%.1f peak_mb=%.1f given_data_mb=%.1f\n", technique.BenchName,
                    resident, peak, given);
        std::fflush(stdout);
    }
    if (data.NumberOfDimensions() > 1) AddSelectionOver(*controller.GetSelectionsList(1), &data, 0.2f, 0.8f);
    for (auto& view : views) view->Repaint();
    QApplication::processEvents();
    double resident = 0;
    Memory(resident, peak);
    std::printf("paint_memory records=%d views=%zu resident_mb=%.1f peak_mb=%.1f loaded_mb=%.1f\n", data.RecordsNumber,
                views.size(), resident, peak, loaded);
    return 0;
}

const bool registeredMemory = RegisterBenchCommand({
    "paint-memory",
    "paint-memory FILE [--width W --height H]   (memory with every technique's view open)",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty()) return 2;
        return RunMemory(arguments[0], std::max(1, std::atoi(Option(arguments, "--width", "1000").c_str())),
                         std::max(1, std::atoi(Option(arguments, "--height", "720").c_str())));
    },
    {},
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
