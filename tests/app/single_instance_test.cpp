#include "app/activation_channel.h"
#include "app/single_instance_guard.h"
#include "tests/support/event_wait.h"
#include "util/message_presenter.h"
#include "util/trace_channel.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include <sys/socket.h>

namespace {

// A copy of the program (the real entry point) whose lock lives in `runtimeDir`.
std::unique_ptr<QProcess> StartCopy(const QString& runtimeDir) {
    auto copy = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    copy->setProcessEnvironment(environment);
    copy->start(QStringLiteral(QUORVIK_COPY_BINARY), {});
    return copy;
}

bool WaitForOutput(QProcess& copy, const QByteArray& text) {
    QByteArray output;
    return testsupport::WaitUntil([&] {
               output += copy.readAllStandardOutput();
               return output.contains(text) || copy.state() == QProcess::NotRunning;
           }) &&
           output.contains(text);
}

void Stop(QProcess& copy) {
    copy.kill();
    testsupport::WaitUntil([&] { return copy.state() == QProcess::NotRunning; });
}

} // namespace

TEST(SingleInstanceGuardTest, OnlyOneHolderAtATimeAndALockThatCannotBeMadeRefuses) {
    QTemporaryDir dir;
    const QString lock = dir.filePath(QStringLiteral("test.lock"));
    auto first = std::make_unique<TSingleInstanceGuard>(lock);
    ASSERT_TRUE(first->Acquire());
    TSingleInstanceGuard second(lock);
    EXPECT_FALSE(second.Acquire());
    EXPECT_FALSE(second.IsHeld());
    // A lock file left behind does not block once its holder is gone.
    first.reset();
    EXPECT_TRUE(QFile::exists(lock));
    EXPECT_TRUE(second.Acquire());
    EXPECT_FALSE(TSingleInstanceGuard(dir.filePath(QStringLiteral("missing/test.lock"))).Acquire());
}

TEST(ActivationChannelTest, ReplacesAStaleFileTakesOnlyTheRequestAndRemovesItsFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test.sock"));
    {
        QFile stale(path);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    int requests = 0;
    {
        const TActivationChannel channel(path, [&] { ++requests; });
        ASSERT_TRUE(channel.IsListening());
        // Longer, shorter and other datagrams are dropped without a call.
        const std::optional<sockaddr_un> address = tracechannel::SocketAddress(path);
        const TUniqueFd sender(::socket(AF_UNIX, SOCK_DGRAM, 0));
        for (const QByteArray& junk : {QByteArray("Vendrix.Quorvik: activate!"),
                                       QByteArray("Vendrix.Quorvik: activat"), QByteArray(64, 'x')})
            ASSERT_EQ(::sendto(sender.Get(), junk.constData(), junk.size(), 0,
                               reinterpret_cast<const sockaddr*>(&*address), sizeof *address),
                      junk.size());
        EXPECT_FALSE(
            testsupport::WaitUntil([&] { return requests > 0; }, std::chrono::milliseconds(200)));
        ASSERT_TRUE(TActivationChannel::Request(path));
        EXPECT_TRUE(testsupport::WaitUntil([&] { return requests > 0; }));
        EXPECT_EQ(requests, 1);
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(TActivationChannel::Request(path));
}

TEST(SingleInstanceTest, SecondCopyIsRefusedWhileTheFirstRuns) {
    QTemporaryDir runtime;
    std::unique_ptr<QProcess> first = StartCopy(runtime.path());
    ASSERT_TRUE(WaitForOutput(*first, "running"));

    std::unique_ptr<QProcess> second = StartCopy(runtime.path());
    const bool ended = testsupport::WaitUntil(
        [&] { return second->state() == QProcess::NotRunning; }, std::chrono::seconds(30));
    if (!ended)
        Stop(*second);
    ASSERT_TRUE(ended);
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(second->readAllStandardOutput()),
              QStringLiteral("caption=Vendrix Quorvik\n"
                             "text=Vendrix Quorvik wurde bereits gestartet.\n"
                             "icon=%1\nbuttons=%2\nwindows=0\n")
                  .arg(static_cast<int>(TMsgIcon::Information))
                  .arg(static_cast<int>(TMsgButtons::Ok)));

    // The first copy goes on; once it has ended, a new copy starts.
    EXPECT_EQ(first->state(), QProcess::Running);
    Stop(*first);
    std::unique_ptr<QProcess> third = StartCopy(runtime.path());
    EXPECT_TRUE(WaitForOutput(*third, "running"));
    Stop(*third);
}
