// What the program's application object does with an exception that escapes an event
// handler: the message is shown, the event loop goes on, and the exploration tree stays.
#include <QAction>
#include <QEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <fstream>
#include <functional>
#include <new>
#include <stdexcept>

#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "app/VisTree.h"
#include "data/PreProcessedData.h"
#include "render/gl/SurfaceFormat.h"
#include "tests/support/MessageRecorder.h"

namespace {

const QEvent::Type ThrowEvent = static_cast<QEvent::Type>(QEvent::User + 17);

// Throws from its event handler, as a paint, a click or a pipeline may.
class TThrowingFilter : public QObject {
public:
    explicit TThrowingFilter(std::function<void()> raise) : Raise(std::move(raise)) {}
    int Delivered = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != ThrowEvent) return QObject::eventFilter(watched, event);
        ++Delivered;
        Raise();
        return true;
    }

private:
    std::function<void()> Raise;
};

struct TCase {
    const char* Name;
    std::function<void()> Raise;
    const char* Message;
};

const TCase Cases[] = {
    {"out of memory", [] { throw std::bad_alloc(); },
     "Not enough memory to finish this action. It was stopped; the exploration tree and its workspaces are kept."},
    {"standard exception", [] { throw std::runtime_error("the table went away"); },
     "This action was stopped by an error: the table went away"},
    {"anything else", [] { throw 42; }, "This action was stopped by an unexpected error."},
};

TEST(EventGuard, AnEscapedExceptionIsShownAndTheEventLoopGoesOn)
{
    for (const TCase& c : Cases) {
        SCOPED_TRACE(c.Name);
        TMessageRecorder messages;
        QWidget target;
        TThrowingFilter filter(c.Raise);
        target.installEventFilter(&filter);
        // Twice within one turn of the loop (a paint that fails at every repaint): one message.
        QCoreApplication::postEvent(&target, new QEvent(ThrowEvent));
        QCoreApplication::postEvent(&target, new QEvent(ThrowEvent));
        bool later = false;
        QTimer::singleShot(50, &target, [&later] {
            later = true;
            QCoreApplication::exit(0);
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
        guard.start(5000);
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_TRUE(later) << "the loop went on after the exception";
        EXPECT_EQ(filter.Delivered, 2);
        ASSERT_EQ(messages.Messages.size(), 1u);
        EXPECT_EQ(messages.Messages[0].Kind, TMessageKind::Warning);
        EXPECT_EQ(messages.Messages[0].Title, "Warning");
        EXPECT_EQ(messages.Messages[0].Text, c.Message);
    }
}

TEST(EventGuard, TheTreeOutlivesAnActionThatRanOutOfMemory)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("three.lumet")).toStdString();
    std::ofstream(path) << "#a b\n1 10\n2 20\n3 30\n";
    TFormVisualizationTree main;
    main.show();
    main.findChild<QLineEdit*>(QStringLiteral("EditTextFile"))->setText(QString::fromStdString(path));
    main.ButtonGoTextFileClick();
    ASSERT_NE(main.VisTree(), nullptr);
    TFormVisWorkspace* root = main.VisTree()->RootWorkspace();
    ASSERT_NE(root, nullptr);

    TMessageRecorder messages;
    TThrowingFilter filter([] { throw std::bad_alloc(); });
    root->installEventFilter(&filter);
    QCoreApplication::postEvent(root, new QEvent(ThrowEvent));
    QTimer::singleShot(50, &main, [] { QCoreApplication::exit(0); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    root->removeEventFilter(&filter);

    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(main.VisTree()->RootWorkspace(), root);
    ASSERT_NE(root->Data(), nullptr);
    EXPECT_EQ(root->Data()->RecordsNumber, 3);
    root->CreateView(0);  // and the workspace still works
    EXPECT_TRUE(messages.Messages.size() == 1u);
}

} // namespace

int main(int argc, char** argv)
{
    InstallDefaultSurfaceFormat();
    TLumetraApplication application(argc, argv);
    SetQuestionFunction([](const std::string&, const std::string&) { return true; });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
