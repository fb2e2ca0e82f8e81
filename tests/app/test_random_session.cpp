// Randomised sessions: the sample is loaded, every technique of the list opens a view, and
// then random clicks (plain, Ctrl, Shift), drags, wheel turns, keys, workspace moves and
// popup-menu commands (pipelines and prunes among them) are sent to the workbench. A session
// fails on a crash or a sanitizer report (the process ends), on a window that stops
// answering for 10 seconds (a watchdog ends the process), or on a view shown whole on
// screen that shows nothing there while a fresh paint of it draws something.
//
// Seeded and bounded: LUMETRA_RANDOM_SEED=S replays one seed; LUMETRA_RANDOM_SECONDS sets the
// time per seed (30 by default, three seeds). Every failure prints its seed and the last events.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QOpenGLWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "app/DataPaths.h"
#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "render/gl/OpenGLPanel.h"
#include "techniques/Techniques.h"
#include "tests/support/MessageRecorder.h"

namespace {

std::atomic<long long> Heartbeat{0};
std::atomic<bool> WatchdogOn{false};
std::string WatchdogContext;  // seed and last events, written only by the main thread

// A crash prints the seed and the last events before the process ends.
void OnCrash(int signal)
{
    std::fprintf(stderr, "Crashed (signal %d).\n%s\n", signal, WatchdogContext.c_str());
    std::fflush(stderr);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Ends the process when the main thread stops answering for 10 seconds.
void StartWatchdog()
{
    static bool started = false;
    if (started) return;
    started = true;
    for (const int signal : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS}) std::signal(signal, OnCrash);
    std::thread([] {
        long long last = -1;
        auto since = std::chrono::steady_clock::now();
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            const long long now = Heartbeat.load();
            if (now != last || !WatchdogOn.load()) {
                last = now;
                since = std::chrono::steady_clock::now();
                continue;
            }
            if (std::chrono::steady_clock::now() - since > std::chrono::seconds(10)) {
                std::fprintf(stderr, "The workbench stopped answering for 10 seconds.\n%s\n", WatchdogContext.c_str());
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }).detach();
}

class TSession {
public:
    explicit TSession(unsigned seed) : Seed(seed), Random(seed) {}

    // Runs for `seconds`; returns an empty text or what went wrong.
    std::string Run(double seconds)
    {
        Main = std::make_unique<TFormVisualizationTree>();
        Main->setWindowState(Qt::WindowNoState);
        Main->setGeometry(0, 0, 1200, 950);
        Main->show();
        if (!QTest::qWaitForWindowExposed(Main.get())) return "the main window was not shown";
        Main->findChild<QLineEdit*>(QStringLiteral("EditTextFile"))->setText(QString::fromStdString(DataSetPath("Cars.lumet")));
        QTest::mouseClick(Main->findChild<QPushButton*>(QStringLiteral("ButtonGoTextFile")), Qt::LeftButton);
        auto* workspace = Workspaces().isEmpty() ? nullptr : qobject_cast<TFormVisWorkspace*>(Workspaces().front());
        if (!workspace) return "the sample did not load";
        workspace->ResizeTo(900, 600);  // views large enough to brush on
        const auto& techniques = Techniques();
        for (int i = 0; i < static_cast<int>(techniques.size()); ++i)
            if (techniques[i].Create) {
                workspace->CreateView(i);
                Log(std::string("open ") + techniques[i].Item);
            }

        QTimer popups;  // answers every popup menu and dialog the events open
        QObject::connect(&popups, &QTimer::timeout, [this] { AnswerPopups(); });
        popups.start(15);
        QElapsedTimer clock;
        clock.start();
        std::string failure;
        for (Events = 0; clock.elapsed() < seconds * 1000 && failure.empty(); ++Events) {
            ++Heartbeat;
            WatchdogContext = Context();
            OneEvent();
            QTest::qWait(5);
            if (Events % 12 == 11) failure = BlankView();
            MostWorkspaces = std::max(MostWorkspaces, static_cast<int>(Workspaces().size()));
        }
        popups.stop();
        CloseMenus();
        if (const char* shot = std::getenv("LUMETRA_RANDOM_SHOT"))  // a picture of the end, to look at
            QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(shot));
        std::printf("seed %u: %d events and %d menu commands in %.1f s; at most %d workspaces\n", Seed, Events, Commands,
                    clock.elapsed() / 1000.0, MostWorkspaces);
        Main.reset();
        return failure.empty() ? failure : failure + "\n" + Context();
    }

private:
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(Random); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(Random); }
    QPoint Anywhere(const QWidget* widget) { return {Pick(std::max(widget->width(), 1)), Pick(std::max(widget->height(), 1))}; }

    void Log(const std::string& event)
    {
        Recent.push_back(std::to_string(Events) + ": " + event);
        if (Recent.size() > 25) Recent.pop_front();
    }
    std::string Context() const
    {
        std::string text = "seed " + std::to_string(Seed) + " (replay: LUMETRA_RANDOM_SEED=" + std::to_string(Seed) +
                           "), last events:";
        for (const std::string& event : Recent) text += "\n  " + event;
        return text;
    }

    QList<QMdiSubWindow*> Workspaces() const { return Main->MdiArea()->subWindowList(QMdiArea::StackingOrder); }
    QList<QOpenGLWidget*> Views() const
    {
        QList<QOpenGLWidget*> views;
        for (QOpenGLWidget* view : Main->findChildren<QOpenGLWidget*>())
            if (view->isVisible() && view->width() > 20 && view->height() > 20) views << view;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != Main.get() && top->isVisible())
                for (QOpenGLWidget* view : top->findChildren<QOpenGLWidget*>())
                    if (view->isVisible()) views << view;
        return views;
    }

    Qt::KeyboardModifiers Modifiers()
    {
        switch (Pick(4)) {
        case 0: return Qt::ControlModifier;
        case 1: return Qt::ShiftModifier;
        default: return Qt::NoModifier;
        }
    }

    void OneEvent()
    {
        const QList<QOpenGLWidget*> views = Views();
        QWidget* target = Main->MdiArea()->viewport();
        std::string name = "background";
        const QList<QMdiSubWindow*> workspaces = Workspaces();
        if (!views.isEmpty() && Chance(0.7)) {
            target = views[Pick(static_cast<int>(views.size()))];
        } else if (!workspaces.isEmpty() && Chance(0.5)) {
            // A control of a workspace: its tabs, buttons, combo box, label panel.
            QMdiSubWindow* workspace = workspaces[Pick(static_cast<int>(workspaces.size()))];
            QWidget* child = workspace->widget() ? workspace->widget()->childAt(Anywhere(workspace->widget())) : nullptr;
            if (child) target = child;
        }
        if (target != Main->MdiArea()->viewport())
            name = target->objectName().toStdString() + " " + target->metaObject()->className();
        // Presses land half of the time on something drawn (an axis, a line, a dot), where
        // brushes and picks start.
        const bool onView = qobject_cast<QOpenGLWidget*>(target) != nullptr;
        const QPoint at = onView && Chance(0.5) ? Drawn(target) : Anywhere(target);
        const auto where = [&](QPoint p) { return name + " at " + std::to_string(p.x()) + "," + std::to_string(p.y()); };
        const int kind = Pick(100);
        if (kind < 30) {
            const Qt::KeyboardModifiers modifiers = Modifiers();
            Log("click " + where(at) + (modifiers & Qt::ControlModifier ? " Ctrl" : modifiers & Qt::ShiftModifier ? " Shift" : ""));
            QTest::mouseClick(target, Qt::LeftButton, modifiers, at);
        } else if (kind < 55) {
            const Qt::KeyboardModifiers modifiers = Modifiers();
            QPoint to = Anywhere(target);
            if (Chance(0.5)) to.setX(at.x());  // along a vertical axis
            Log("drag " + where(at) + " to " + std::to_string(to.x()) + "," + std::to_string(to.y()));
            QTest::mousePress(target, Qt::LeftButton, modifiers, at);
            for (int step = 1; step <= 4; ++step) {
                const QPoint p = at + (to - at) * step / 4;
                QMouseEvent move(QEvent::MouseMove, p, target->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, modifiers);
                QApplication::sendEvent(target, &move);
            }
            QTest::mouseRelease(target, Qt::LeftButton, modifiers, to);
        } else if (kind < 62) {
            Log("move over " + where(at));
            QTest::mouseMove(target, at);
        } else if (kind < 77) {
            Log("right click " + where(at));
            QCursor::setPos(target->mapToGlobal(at));
            QTest::mouseClick(target, Qt::RightButton, Qt::NoModifier, at);
        } else if (kind < 83) {
            const int delta = Chance(0.5) ? 120 : -120;
            Log("wheel " + std::to_string(delta) + " " + where(at));
            QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Modifiers(),
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &wheel);
        } else if (kind < 92) {
            static const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Delete,
                                           Qt::Key_Escape, Qt::Key_Plus, Qt::Key_Minus, Qt::Key_A, Qt::Key_Space,
                                           Qt::Key_Return, Qt::Key_PageDown};
            const Qt::Key key = keys[Pick(static_cast<int>(std::size(keys)))];
            QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : target;
            Log("key " + std::to_string(key) + " to " + focus->metaObject()->className());
            QTest::keyClick(focus, key, Modifiers());
        } else {
            const QList<QMdiSubWindow*> workspaces = Workspaces();
            if (workspaces.isEmpty()) return;
            QMdiSubWindow* workspace = workspaces[Pick(static_cast<int>(workspaces.size()))];
            // Partly off the area and back: the views must paint again.
            const QPoint to(Pick(Main->MdiArea()->width()) - 150, Pick(Main->MdiArea()->height()) - 100);
            Log("move workspace to " + std::to_string(to.x()) + "," + std::to_string(to.y()));
            workspace->move(to);
        }
    }

    // Chooses an item of an open popup menu (a submenu opens, and is answered at the next
    // tick), or closes it; dialogs are closed.
    void AnswerPopups()
    {
        ++Heartbeat;
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            QList<QAction*> items;
            for (QAction* action : menu->actions())
                if (action->isVisible() && action->isEnabled() && !action->isSeparator()) items << action;
            if (items.isEmpty() || Chance(0.1)) {
                Log("menu closed");
                menu->close();
                return;
            }
            // New selections, pipelines and prunes grow and cut the tree: chosen more often.
            std::vector<double> weights;
            for (const QAction* item : items) {
                const QString text = item->text();
                const bool grows = text.startsWith(QLatin1String("New")) || text.startsWith(QLatin1String("Pipeline")) ||
                                   text.startsWith(QLatin1String("Prune")) || text == QLatin1String("Selections");
                weights.push_back(grows ? 5.0 : 1.0);
            }
            QAction* action = items[std::discrete_distribution<int>(weights.begin(), weights.end())(Random)];
            Log("menu item \"" + action->text().toStdString() + "\"");
            if (action->menu()) {
                action->menu()->popup(menu->mapToGlobal(menu->actionGeometry(action).topRight()));
                return;
            }
            ++Commands;
            // Chosen from a fresh turn of the event loop: a command that opens a modal dialog
            // runs its loop there, and this timer (which closes the dialog) keeps firing.
            const QPointer<QMenu> chosen(menu);
            const QPoint at = menu->actionGeometry(action).center();
            QTimer::singleShot(0, menu, [this, chosen, at] {
                if (chosen && chosen->isVisible()) QTest::mouseClick(chosen, Qt::LeftButton, Qt::NoModifier, at);
                CloseMenus();
            });
            return;
        }
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            Log(std::string("dialog closed: ") + dialog->metaObject()->className());
            dialog->reject();
        }
    }
    void CloseMenus()
    {
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }

    // A view shown whole on screen, in a workspace nothing covers, whose pixels there are all
    // of one colour while a full paint of it now draws something: the screen shows nothing of
    // what it paints. Asked again after half a second before it counts. (A view may rightly
    // draw nothing: no record satisfies the brushes, or the camera looks away from the cloud.)
    std::string BlankView()
    {
        if (QApplication::activePopupWidget() || QApplication::activeModalWidget()) return {};
        for (int attempt = 0; attempt < 2; ++attempt) {
            QOpenGLWidget* blank = nullptr;
            for (QOpenGLWidget* view : Views())
                if (WhollyShown(view) && OneColour(OnScreen(view))) blank = view;
            if (!blank) return {};
            if (attempt == 0) {
                QTest::qWait(500);
                continue;
            }
            auto* panel = qobject_cast<TOpenGLPanel*>(blank);
            if (!panel) return {};
            const QImage painted = panel->PaintedImage();
            if (painted.isNull() || OneColour(painted)) return {};
            return "the view " + blank->objectName().toStdString() + " (" + blank->metaObject()->className() +
                   ") is shown whole on screen, paints something, but the screen shows nothing of it";
        }
        return {};
    }

    bool WhollyShown(const QOpenGLWidget* view) const
    {
        QWidget* top = view->window();
        const QRect onTop(view->mapTo(top, QPoint(0, 0)), view->size());
        if (top != Main.get()) return top->isActiveWindow() && top->rect().contains(onTop);
        const QMdiArea* area = Main->MdiArea();
        const QRect inArea(view->mapTo(area->viewport(), QPoint(0, 0)), view->size());
        if (!area->viewport()->rect().contains(inArea)) return false;
        const QList<QMdiSubWindow*> stack = Workspaces();  // bottom first
        qsizetype own = -1;
        for (qsizetype i = 0; i < stack.size(); ++i)
            if (stack[i]->isAncestorOf(view)) own = i;
        if (own < 0 || stack[own]->isMinimized()) return false;
        for (qsizetype i = own + 1; i < stack.size(); ++i)
            if (stack[i]->isVisible() && stack[i]->geometry().intersects(inArea)) return false;
        // The other top-level windows (an instant-zoom window) may lie over it.
        const QRect global(view->mapToGlobal(QPoint(0, 0)), view->size());
        for (QWidget* other : QApplication::topLevelWidgets())
            if (other != Main.get() && other->isVisible() && other->frameGeometry().intersects(global)) return false;
        return true;
    }

    static QImage OnScreen(const QWidget* view)
    {
        const QRect global(view->mapToGlobal(QPoint(0, 0)), view->size());
        return QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), global.width(), global.height()).toImage();
    }

    // A point of the view whose colour differs from its corner's, half of the time one on
    // a long vertical stroke (an axis); any point when none is found.
    QPoint Drawn(const QWidget* view)
    {
        const QImage image = OnScreen(view);
        if (image.isNull() || image.width() < 2 || image.height() < 12) return Anywhere(view);
        const QRgb background = image.pixel(0, 0);
        const auto scaled = [&](QPoint p) { return p * view->width() / image.width(); };
        if (Chance(0.5)) {
            std::vector<int> strokes;  // columns drawn over at least half of the height
            for (int x = 0; x < image.width(); ++x) {
                int drawn = 0;
                for (int y = 0; y < image.height(); y += 4) drawn += image.pixel(x, y) != background;
                if (drawn * 8 >= image.height()) strokes.push_back(x);
            }
            if (!strokes.empty())
                return scaled({strokes[Pick(static_cast<int>(strokes.size()))], Pick(image.height())});
        }
        for (int attempt = 0; attempt < 300; ++attempt) {
            const QPoint p(Pick(image.width()), Pick(image.height()));
            if (image.pixel(p) != background) return scaled(p);
        }
        return Anywhere(view);
    }

    static bool OneColour(const QImage& image)
    {
        if (image.isNull()) return false;
        const QRgb first = image.pixel(0, 0);
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                if (image.pixel(x, y) != first) return false;
        return true;
    }

    unsigned Seed;
    std::mt19937 Random;
    int Events = 0;
    int Commands = 0;
    int MostWorkspaces = 0;
    std::deque<std::string> Recent;
    std::unique_ptr<TFormVisualizationTree> Main;
};

TEST(RandomSession, EveryViewSurvivesRandomEvents)
{
    StartWatchdog();
    WatchdogOn = true;
    TMessageRecorder messages;  // messages are recorded, never block
    std::vector<unsigned> seeds = {20261210u, 7u, 424242u};
    if (const char* seed = std::getenv("LUMETRA_RANDOM_SEED")) seeds = {static_cast<unsigned>(std::strtoul(seed, nullptr, 10))};
    double seconds = 30;
    if (const char* text = std::getenv("LUMETRA_RANDOM_SECONDS")) seconds = std::atof(text);
    for (const unsigned seed : seeds) {
        std::printf("random session, seed %u (replay: LUMETRA_RANDOM_SEED=%u)\n", seed, seed);
        std::fflush(stdout);
        TSession session(seed);
        const std::string failure = session.Run(seconds);
        EXPECT_EQ(failure, "") << failure;
    }
    WatchdogOn = false;
    std::printf("%zu messages shown\n", messages.Messages.size());
    for (std::size_t i = 0; i < messages.Messages.size() && i < 8; ++i) std::printf("  %s\n", messages.Messages[i].Text.c_str());
}

// A view painted just before it moves into another window (instant zoom and back) must be
// painted there too: it gets a new context and framebuffer.
TEST(RandomSession, AViewPaintedJustBeforeItMovesWindowsPaintsInTheNewOne)
{
    TMessageRecorder messages;
    TFormVisualizationTree main;
    main.setWindowState(Qt::WindowNoState);
    main.setGeometry(0, 0, 1200, 950);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    main.findChild<QLineEdit*>(QStringLiteral("EditTextFile"))->setText(QString::fromStdString(DataSetPath("Cars.lumet")));
    QTest::mouseClick(main.findChild<QPushButton*>(QStringLiteral("ButtonGoTextFile")), Qt::LeftButton);
    ASSERT_EQ(main.MdiArea()->subWindowList().size(), 1);
    auto* workspace = qobject_cast<TFormVisWorkspace*>(main.MdiArea()->subWindowList().front());
    workspace->ResizeTo(700, 500);
    workspace->CreateView(0);
    QTest::qWait(200);
    QOpenGLWidget* view = nullptr;
    for (QOpenGLWidget* each : workspace->findChildren<QOpenGLWidget*>())
        if (each->isVisible()) view = each;
    ASSERT_NE(view, nullptr);
    for (const bool detach : {true, false, true}) {
        // A drag paints the view at once (as brushing does), then the view changes windows.
        const QPoint middle(view->width() / 2, view->height() / 2);
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, middle);
        QMouseEvent move(QEvent::MouseMove, middle + QPoint(0, 5), view->mapToGlobal(middle + QPoint(0, 5)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, middle + QPoint(0, 5));
        workspace->DetachActiveView(detach);
        QTest::qWait(400);
        ASSERT_TRUE(view->isVisible());
        const QRect global(view->mapToGlobal(QPoint(0, 0)), view->size());
        const QImage image =
            QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), global.width(), global.height()).toImage();
        ASSERT_FALSE(image.isNull());
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; y += 2)
            for (int x = 0; x < image.width() && !drawn; x += 2) drawn = image.pixel(x, y) != image.pixel(0, 0);
        EXPECT_TRUE(drawn) << (detach ? "in the instant-zoom window" : "back in its workspace");
    }
    workspace->DetachActiveView(false);
}

} // namespace
