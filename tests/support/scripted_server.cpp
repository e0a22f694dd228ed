#include "tests/support/scripted_server.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr int kBacklog = 8;
constexpr std::size_t kReadChunk = 65536;

std::string Printable(const std::string& Bytes) {
    std::string Out;
    for (const char C : Bytes) {
        if (C == '\r')
            Out += "\\r";
        else if (C == '\n')
            Out += "\\n";
        else
            Out += C;
    }
    return Out;
}

} // namespace

TScriptedServer::TScriptedServer(std::vector<TScript> Scripts, const std::string& Address,
                                 std::uint16_t Port)
    : FScripts(std::move(Scripts)), FAddress(Address), FListener(Address, Port, kBacklog) {
    FStopFd = eventfd(0, EFD_CLOEXEC);
    if (FStopFd < 0)
        throw std::runtime_error(std::string("scripted server: ") + std::strerror(errno));
    FReceived.resize(FScripts.size());
    FResets.resize(FScripts.size());
    FThread = std::thread([this] { Run(); });
}

TScriptedServer::~TScriptedServer() {
    {
        const std::lock_guard<std::mutex> Guard(FMutex);
        FStopping = true;
    }
    FChanged.notify_all();
    const std::uint64_t One = 1;
    [[maybe_unused]] const auto Written = write(FStopFd, &One, sizeof One);
    FThread.join();
    close(FStopFd);
}

std::string TScriptedServer::Received(std::size_t Index) const {
    const std::lock_guard<std::mutex> Guard(FMutex);
    return Index < FReceived.size() ? FReceived[Index] : std::string();
}

std::size_t TScriptedServer::Accepted() const {
    const std::lock_guard<std::mutex> Guard(FMutex);
    return FAcceptedCount;
}

bool TScriptedServer::Done() const {
    const std::lock_guard<std::mutex> Guard(FMutex);
    return FDone;
}

std::string TScriptedServer::Failure() const {
    const std::lock_guard<std::mutex> Guard(FMutex);
    return FFailure;
}

bool TScriptedServer::SawReset(std::size_t Index) const {
    const std::lock_guard<std::mutex> Guard(FMutex);
    return Index < FResets.size() && FResets[Index];
}

void TScriptedServer::OpenGate(std::size_t Gate) {
    {
        const std::lock_guard<std::mutex> Guard(FMutex);
        FOpenGates.push_back(Gate);
    }
    FChanged.notify_all();
}

void TScriptedServer::Wake() const {
    // A queued no-op call wakes the test thread's blocking event-loop wait.
    if (auto* App = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            App, [] {}, Qt::QueuedConnection);
}

void TScriptedServer::Fail(const std::string& What) {
    const std::lock_guard<std::mutex> Guard(FMutex);
    if (FFailure.empty())
        FFailure = What;
}

bool TScriptedServer::WaitReadable(int Fd) {
    return WaitFor(Fd, POLLIN);
}

bool TScriptedServer::WaitFor(int Fd, short Events) {
    pollfd Fds[2] = {{Fd, Events, 0}, {FStopFd, POLLIN, 0}};
    while (poll(Fds, 2, -1) < 0)
        if (errno != EINTR)
            return false;
    return (Fds[1].revents & POLLIN) == 0;
}

bool TScriptedServer::ReadMore(int Fd, std::size_t Index) {
    if (!WaitReadable(Fd))
        return false;
    std::string Chunk(kReadChunk, '\0');
    const ssize_t N = recv(Fd, Chunk.data(), Chunk.size(), 0);
    if (N <= 0) {
        const std::lock_guard<std::mutex> Guard(FMutex);
        if (N < 0 && errno == ECONNRESET)
            FResets[Index] = true;
        return false;
    }
    {
        const std::lock_guard<std::mutex> Guard(FMutex);
        FReceived[Index].append(Chunk.data(), static_cast<std::size_t>(N));
    }
    Wake();
    return true;
}

void TScriptedServer::Play(int Fd, std::size_t Index, const TScript& Script) {
    std::size_t Consumed = 0; // bytes of this connection taken by earlier Expect steps
    const auto Pending = [&] { return Received(Index).size() - Consumed; };
    bool Closed = false;
    for (const TStep& Step : Script) {
        switch (Step.Kind) {
        case TStepKind::Expect:
        case TStepKind::ExpectCount: {
            const std::size_t Want = Step.Kind == TStepKind::Expect ? Step.Data.size() : Step.Count;
            while (Pending() < Want)
                if (!ReadMore(Fd, Index)) {
                    Fail("connection " + std::to_string(Index) + " ended before " +
                         std::to_string(Want) + " bytes arrived");
                    return;
                }
            const std::string Got = Received(Index).substr(Consumed, Want);
            if (Step.Kind == TStepKind::Expect && Got != Step.Data)
                Fail("connection " + std::to_string(Index) + " expected '" + Printable(Step.Data) +
                     "' got '" + Printable(Got) + "'");
            Consumed += Want;
            break;
        }
        case TStepKind::ExpectUntil: {
            std::size_t Found;
            while ((Found = Received(Index).find(Step.Data, Consumed)) == std::string::npos)
                if (!ReadMore(Fd, Index)) {
                    Fail("connection " + std::to_string(Index) + " ended before '" +
                         Printable(Step.Data) + "'");
                    return;
                }
            Consumed = Found + Step.Data.size();
            break;
        }
        case TStepKind::Send: {
            std::size_t Sent = 0;
            while (Sent < Step.Data.size()) {
                const ssize_t N =
                    send(Fd, Step.Data.data() + Sent, Step.Data.size() - Sent, MSG_NOSIGNAL);
                if (N < 0) {
                    Fail("connection " + std::to_string(Index) + " send: " + std::strerror(errno));
                    return;
                }
                Sent += static_cast<std::size_t>(N);
            }
            break;
        }
        case TStepKind::Flood: {
            // A client that stops reading must not keep the thread from stopping.
            const std::string& Bytes = Step.Data;
            for (std::size_t I = 0; I < Step.Count; ++I) {
                for (std::size_t Sent = 0; Sent < Bytes.size();) {
                    if (!WaitFor(Fd, POLLOUT))
                        return;
                    const ssize_t N = send(Fd, Bytes.data() + Sent, Bytes.size() - Sent,
                                           MSG_NOSIGNAL | MSG_DONTWAIT);
                    if (N < 0 && errno != EAGAIN && errno != EINTR)
                        return; // the client hung up: the flood is over
                    Sent += static_cast<std::size_t>(std::max<ssize_t>(N, 0));
                }
            }
            break;
        }
        case TStepKind::Pause:
        case TStepKind::WaitGate: {
            std::unique_lock<std::mutex> Lock(FMutex);
            const auto Ready = [&] {
                return FStopping || (Step.Kind == TStepKind::WaitGate &&
                                     std::find(FOpenGates.begin(), FOpenGates.end(), Step.Count) !=
                                         FOpenGates.end());
            };
            if (Step.Kind == TStepKind::Pause)
                FChanged.wait_for(Lock, Step.Delay, Ready);
            else
                FChanged.wait(Lock, Ready);
            if (FStopping)
                return;
            break;
        }
        case TStepKind::Drain:
            while (ReadMore(Fd, Index)) {
            }
            break;
        case TStepKind::ShutdownSend:
            shutdown(Fd, SHUT_WR);
            break;
        case TStepKind::Close:
            // The FIN goes out first even if unread bytes make close() reset.
            shutdown(Fd, SHUT_WR);
            Closed = true;
            break;
        case TStepKind::Reset: {
            const linger Hard{1, 0};
            setsockopt(Fd, SOL_SOCKET, SO_LINGER, &Hard, sizeof Hard);
            Closed = true;
            break;
        }
        }
        Wake();
        if (Closed)
            return;
    }
}

void TScriptedServer::Run() {
    for (std::size_t Index = 0; Index < FScripts.size(); ++Index) {
        if (!WaitReadable(FListener.Fd()))
            break;
        const int Fd = accept4(FListener.Fd(), nullptr, nullptr, SOCK_CLOEXEC);
        if (Fd < 0) {
            Fail(std::string("accept: ") + std::strerror(errno));
            break;
        }
        {
            const std::lock_guard<std::mutex> Guard(FMutex);
            ++FAcceptedCount;
        }
        Wake();
        Play(Fd, Index, FScripts[Index]);
        close(Fd);
        Wake();
    }
    {
        const std::lock_guard<std::mutex> Guard(FMutex);
        FDone = true;
    }
    Wake();
}

} // namespace testsupport
