#include "app/singleinstance.h"

#include "../testutil.h"

#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <future>

namespace {

// Every instance here has a lock and a channel in the test's folder: the holder of a lock
// listens on its channel, and the user's own (the defaults) may belong to her running gadget.
class SingleInstance : public TempFolderTest {
protected:
    QString Channel() const { return Path(QStringLiteral("varadadid.socket")); }
};

TEST_F(SingleInstance, SecondCopyIsRefusedUntilTheFirstEnds) {
    const QString path = Path(QStringLiteral("varadadid.lock"));
    {
        app::SingleInstance first(path, Channel());
        ASSERT_TRUE(first.TryAcquire());
        app::SingleInstance second(path, Channel());
        EXPECT_FALSE(second.TryAcquire());
    }
    app::SingleInstance third(path, Channel());
    EXPECT_TRUE(third.TryAcquire());
}

// The running copy acts on the second copy's one request only, and answers it with its settings
// file; anything else on its channel is dropped. With nobody listening, the second copy gives up
// at once.
TEST_F(SingleInstance, ASecondStartAsksTheRunningCopyToComeForward) {
    const QString lock = Path(QStringLiteral("varadadid.lock"));
    const QString channel = Channel();
    EXPECT_FALSE(app::SingleInstance(lock, channel).AskRunningCopyToShow()) << "nobody listens";

    app::SingleInstance first(lock, channel);
    ASSERT_TRUE(first.TryAcquire());
    first.SetSettingsPath(QStringLiteral("/home/りろ/.config/varadadid/rilo.ini"));
    QSignalSpy shown(&first, &app::SingleInstance::showRequested);
    app::SingleInstance second(lock, channel);
    ASSERT_FALSE(second.TryAcquire());
    // The second copy waits for the answer, which the first sends from this thread's events.
    auto asked = std::async(std::launch::async, [&] { return second.AskRunningCopyToShow(); });
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(asked.get(), QStringLiteral("/home/りろ/.config/varadadid/rilo.ini"));
    EXPECT_EQ(shown.count(), 1);

    for (const QByteArray &other :
         {QByteArray("hello\n"), QByteArray("varadadid show\nvaradadid show\n"),
          QByteArray("varadadid quitx\n"), QByteArray(64 * 1024, 'x')}) {
        QLocalSocket peer;
        peer.connectToServer(channel);
        ASSERT_TRUE(peer.waitForConnected());
        peer.write(other);
        peer.flush();
        // The running copy hangs up on anything but the request.
        EXPECT_TRUE(QTest::qWaitFor([&] { return peer.state() == QLocalSocket::UnconnectedState; }))
            << other.left(32).constData();
        EXPECT_EQ(shown.count(), 1) << other.left(32).constData();
    }
}

// `varadadid --quit` (an installer replacing the program): the running copy is asked to end and
// the request returns once its lock is free; with none running it returns at once, and a copy
// that does not end is given up at the deadline.
TEST_F(SingleInstance, AQuitRequestWaitsForTheRunningCopyToEnd) {
    const QString lock = Path(QStringLiteral("varadadid.lock"));
    const QString channel = Path(QStringLiteral("varadadid.socket"));
    using Quit = app::SingleInstance::QuitResult;
    EXPECT_EQ(app::SingleInstance(lock, channel).AskRunningCopyToQuit(std::chrono::seconds(5)),
              Quit::NoneRan);

    auto running = std::make_unique<app::SingleInstance>(lock, channel);
    ASSERT_TRUE(running->TryAcquire());
    QSignalSpy quit(running.get(), &app::SingleInstance::quitRequested);
    QSignalSpy shown(running.get(), &app::SingleInstance::showRequested);
    const app::SingleInstance asking(lock, channel);
    // The asking copy waits in a thread of its own; the running one answers from this thread's
    // events.
    const auto ask = [&](std::chrono::milliseconds timeout) {
        auto asked =
            std::async(std::launch::async, [&] { return asking.AskRunningCopyToQuit(timeout); });
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            int(timeout.count()) + 10000));
        return asked.get();
    };
    EXPECT_EQ(ask(std::chrono::milliseconds(300)), Quit::StillRuns) << "a copy that does not end";
    EXPECT_TRUE(QTest::qWaitFor([&] { return quit.count() == 1; }));

    // As the gadget does: the request closes it, which lets its lock go.
    QObject ending;
    QObject::connect(
        running.get(), &app::SingleInstance::quitRequested, &ending, [&] { running.reset(); },
        Qt::QueuedConnection);
    EXPECT_EQ(ask(std::chrono::seconds(30)), Quit::Ended);
    EXPECT_EQ(running, nullptr);
    EXPECT_EQ(shown.count(), 0);
}

TEST_F(SingleInstance, ALockThatCannotBeMadeDoesNotStopTheStart) {
    // The lock's folder is a plain file: no lock can be made there.
    WriteBytes(Path(QStringLiteral("folder")), "x");
    app::SingleInstance instance(Path(QStringLiteral("folder/varadadid.lock")), Channel());
    EXPECT_TRUE(instance.TryAcquire());
}

TEST_F(SingleInstance, ALockLeftByACrashedCopyIsTakenOver) {
    const QString path = Path(QStringLiteral("varadadid.lock"));
    QByteArray content;
    {
        QLockFile probe(path);
        ASSERT_TRUE(probe.tryLock(0));
        content = ReadBytes(path);
    }
    // The same lock, but held by a process that no longer exists.
    const qsizetype eol = content.indexOf('\n');
    WriteBytes(path, QByteArray("2147483646") + content.mid(eol));
    app::SingleInstance next(path, Channel());
    EXPECT_TRUE(next.TryAcquire());
}

} // namespace
