#pragma once

// What a socket wants to hear of its descriptor's readiness, as on Winsock.
// Reading is armed by a receive call (or an accept, or new bytes arriving
// after a handler took nothing) and used up when the read notification fires.
// Writing is wanted only while a send is blocked (and while connecting, whose
// outcome comes as writability). The notifier that fired stays off while its
// event runs, so a handler that runs the event loop is not re-entered; a wait
// inside such a handler lets its notifications through for as long as it runs.
// Whether the socket's state reads or writes at all is the socket's to add.
class TSocketReadiness {
public:
    // A new descriptor: reading armed, no send blocked, no event running.
    void Reset();

    // A receive call, an accept, or new bytes for a handler that took nothing.
    void ArmRead() { FReadArmed = true; }
    // The read notification fired: used up, and off while its event runs.
    void ReadFired();
    void ReadHandled() { FReadBusy = false; }

    // A send is blocked until the system reports room.
    void WantWrite() { FWantWrite = true; }
    // The write notification fired: the wish is met, and off while its event runs.
    void WriteFired();
    // The first writability after a non-blocking connect is its outcome; a
    // connected socket reads from then on.
    void ConnectFired(bool Connected);
    void WriteHandled() { FWriteBusy = false; }

    // A wait inside a handler: lets that handler's notifications through and
    // returns what the matching End... takes to put the hold back.
    bool BeginReadWait();
    void EndReadWait(bool WasBusy) { FReadBusy = WasBusy; }
    bool BeginWriteWait();
    void EndWriteWait(bool WasBusy) { FWriteBusy = WasBusy; }

    bool ReadEnabled() const { return FReadArmed && !FReadBusy; }
    bool WriteEnabled(bool Connecting) const { return !FWriteBusy && (Connecting || FWantWrite); }

private:
    bool FReadArmed = false;
    bool FWantWrite = false;
    bool FReadBusy = false;
    bool FWriteBusy = false;
};
