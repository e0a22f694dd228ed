#include "net/socket_readiness.h"

void TSocketReadiness::Reset() {
    FReadArmed = true;
    FWantWrite = FReadBusy = FWriteBusy = false;
}

void TSocketReadiness::ReadFired() {
    FReadArmed = false;
    FReadBusy = true;
}

void TSocketReadiness::WriteFired() {
    FWantWrite = false;
    FWriteBusy = true;
}

void TSocketReadiness::ConnectFired(bool Connected) {
    WriteFired();
    FReadArmed = Connected;
}

bool TSocketReadiness::BeginReadWait() {
    const bool wasBusy = FReadBusy;
    FReadBusy = false;
    FReadArmed = true;
    return wasBusy;
}

bool TSocketReadiness::BeginWriteWait() {
    const bool wasBusy = FWriteBusy;
    FWriteBusy = false;
    return wasBusy;
}
