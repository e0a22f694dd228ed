#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "net/socket_readiness.h"

namespace {

using TStep = std::function<void(TSocketReadiness&)>;

struct TReadinessCase {
    const char* Name;
    std::vector<TStep> Steps; // from a new descriptor
    bool Connecting;
    bool Read;
    bool Write;
};

using R = TSocketReadiness;

// The outcome of a connect, and a wait inside a handler that ends while the
// handler still runs.
void Connected(R& Readiness) {
    Readiness.ConnectFired(true);
}
void Refused(R& Readiness) {
    Readiness.ConnectFired(false);
}
void ReadWait(R& Readiness) {
    Readiness.EndReadWait(Readiness.BeginReadWait());
}
void WriteWait(R& Readiness) {
    Readiness.EndWriteWait(Readiness.BeginWriteWait());
}

class SocketReadiness : public testing::TestWithParam<TReadinessCase> {};

TEST_P(SocketReadiness, EnablesTheNotifiersItsTransitionsLeaveWanted) {
    const TReadinessCase& Case = GetParam();
    TSocketReadiness Readiness;
    Readiness.Reset();
    for (const TStep& Step : Case.Steps)
        Step(Readiness);
    EXPECT_EQ(Readiness.ReadEnabled(), Case.Read);
    EXPECT_EQ(Readiness.WriteEnabled(Case.Connecting), Case.Write);
}

INSTANTIATE_TEST_SUITE_P(
    Transitions, SocketReadiness,
    testing::Values(
        TReadinessCase{"NewDescriptorReadsAndDoesNotWrite", {}, false, true, false},
        TReadinessCase{"ConnectingWaitsForWritability", {}, true, true, true},
        TReadinessCase{"ConnectOutcomeHoldsWritingWhileItRuns", {Connected}, true, true, false},
        TReadinessCase{
            "RefusedConnectLeavesReadingOff", {Refused, &R::WriteHandled}, false, false, false},
        TReadinessCase{
            "ReadNotificationIsUsedUp", {&R::ReadFired, &R::ReadHandled}, false, false, false},
        TReadinessCase{"ReceiveInsideTheHandlerArmsAfterIt",
                       {&R::ReadFired, &R::ArmRead},
                       false,
                       false,
                       false},
        TReadinessCase{"ReceiveInsideTheHandlerArmsOnceItEnds",
                       {&R::ReadFired, &R::ArmRead, &R::ReadHandled},
                       false,
                       true,
                       false},
        TReadinessCase{"WaitInsideTheReadHandlerLetsReadsThrough",
                       {&R::ReadFired, &R::BeginReadWait},
                       false,
                       true,
                       false},
        TReadinessCase{
            "ReadHandlerHoldsAgainAfterItsWait", {&R::ReadFired, ReadWait}, false, false, false},
        TReadinessCase{"BlockedSendWantsWritability", {&R::WantWrite}, false, true, true},
        TReadinessCase{"WriteNotificationMeetsTheWish",
                       {&R::WantWrite, &R::WriteFired, &R::WriteHandled},
                       false,
                       true,
                       false},
        TReadinessCase{"SendBlockedInsideTheWriteHandlerWaitsForItsEnd",
                       {&R::WantWrite, &R::WriteFired, &R::WantWrite},
                       false,
                       true,
                       false},
        TReadinessCase{"SendBlockedInsideTheWriteHandlerWantsItOnceItEnds",
                       {&R::WantWrite, &R::WriteFired, &R::WantWrite, &R::WriteHandled},
                       false,
                       true,
                       true},
        TReadinessCase{"FlushInsideTheWriteHandlerLetsWritesThrough",
                       {&R::WantWrite, &R::WriteFired, &R::WantWrite, &R::BeginWriteWait},
                       false,
                       true,
                       true},
        TReadinessCase{"WriteHandlerHoldsAgainAfterItsFlush",
                       {&R::WantWrite, &R::WriteFired, &R::WantWrite, WriteWait},
                       false,
                       true,
                       false}),
    [](const testing::TestParamInfo<TReadinessCase>& Info) { return Info.param.Name; });

} // namespace
