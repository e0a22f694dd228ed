#pragma once

#include <QObject>

#include <netinet/in.h>
#include <sys/time.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/life_token.h"
#include "net/buffer.h"
#include "net/send_chain.h"
#include "net/socket_address.h"
#include "net/socket_exception.h"
#include "net/socket_message.h"
#include "net/socket_readiness.h"
#include "net/socket_types.h"

class QEventLoop;
class TConnectRace;
class TResolver;
class TSocketEndpoint;

// The socket engine: a non-blocking, event-driven IPv4 and IPv6 socket (TCP
// client, TCP listener, UDP). No operation blocks; whatever completes later is
// reported as an event on the thread that created the object, which must run
// a Qt event loop. Every event is raised in exactly one virtual Trigger...
// operation, so a derived layer intercepts an event by overriding it.
//
// Handlers may call back into the object: Send, Close, Abort, CloseDelayed and
// Release are safe inside any event. Release deletes the object later, so it
// may only be used on an object that nobody else deletes (heap-allocated,
// owned by a QObject parent or by nobody). A handler may also clear its own
// event or delete the object at once: every event is raised through
// RaiseEvent, and the code that raised it touches nothing once the object's
// life token says it is gone.
//
// Destroying an open socket closes it while every layer still lives:
// OnChangeState is still raised (so its handler must outlive the socket, or be
// cleared first), OnSessionClosed is not.
//
// OnDataAvailable is raised again at once while readable bytes remain and the
// handler keeps receiving, up to a bound per notification, after which the
// event loop runs before reception goes on. A handler that receives nothing
// (or only peeks) is not called again until new bytes arrive, the peer closes
// or the next receive call, so it cannot spin. Events of a session end with
// its OnSessionClosed; a handler may connect again from any event. (A peer
// close raises OnSessionClosed while the state is still wsConnected; setting
// Addr, Port or another setting, or Connect, there closes the socket first.)
//
// Failures of operations go through RaiseException: with OnError assigned the
// handler is called and the operation continues, otherwise ESocketException
// is thrown. Error numbers are Winsock numbers (see net/socket_errors.h).
class TCustomAsyncSocket : public QObject {
public:
    // Capacity of every send block.
    static constexpr std::int32_t kSendBlockSize = TBuffer::kDefaultSize;

    explicit TCustomAsyncSocket(QObject* Owner = nullptr);
    ~TCustomAsyncSocket() override;
    TCustomAsyncSocket(const TCustomAsyncSocket&) = delete;
    TCustomAsyncSocket& operator=(const TCustomAsyncSocket&) = delete;

    // --- properties --------------------------------------------------------
    // Addr, Port and Proto may change only while wsClosed (assigning the value
    // already held does nothing in any state); they are stored trimmed. Addr
    // and Port must be assigned again after every close. Addr is a dotted
    // IPv4 text, an IPv6 literal (without brackets) or a host name.
    const std::string& Addr() const { return FAddrStr; }
    void SetAddr(const std::string& Value);
    // Addr := the first address; a TCP Connect also tries the others (numeric
    // texts, as a lookup gives them) in a race: see Connect. Setting Addr
    // alone, or a close, forgets them.
    void SetAddrList(const std::vector<std::string>& Addresses);
    const std::string& Port() const { return FPortStr; }
    void SetPort(const std::string& Value) { SetRemotePort(Value); }
    const std::string& Proto() const { return FProtoStr; }
    void SetProto(const std::string& Value);
    // A dotted IPv4 text or an IPv6 literal; "0.0.0.0" (or "::") binds to the
    // any address of the family connected to.
    const std::string& LocalAddr() const { return FLocalAddr; }
    void SetLocalAddr(const std::string& Value);
    const std::string& LocalPort() const { return FLocalPortStr; }
    void SetLocalPort(const std::string& Value);

    // Dotted or IPv6 address / decimal port of the peer, or "error" when not
    // connected.
    std::string PeerAddr();
    std::string PeerPort();
    // Where the session's descriptor is connected or connecting to: the
    // address that won a race, through SOCKS the proxy's. Reset by a close.
    const TSocketAddress& RemoteSockAddr() const { return FRemoteSockAddr; }

    const std::string& DnsResult() const { return FDnsResult; }
    const std::vector<std::string>& DnsResultList() const { return FDnsResultList; }

    TSocketState State() const { return FState; }
    std::int64_t ReadCount() const { return FReadCount; }
    std::int32_t RcvdCount() { return GetRcvdCount(); }
    std::int32_t LastError() const { return FLastError; }

    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool Value) { FMultiThreaded = Value; }
    TSocketOptions ComponentOptions() const { return FComponentOptions; }
    void SetComponentOptions(TSocketOptions Value) { FComponentOptions = Value; }
    TSocketSendFlags SendFlags() const;
    void SetSendFlags(TSocketSendFlags Value);
    TSocketLingerOnOff LingerOnOff() const { return FLingerOnOff; }
    void SetLingerOnOff(TSocketLingerOnOff Value) { FLingerOnOff = Value; }
    std::int32_t LingerTimeout() const { return FLingerTimeout; }
    void SetLingerTimeout(std::int32_t Value) { FLingerTimeout = Value; }

    // OS handle, -1 when none.
    int SocketHandle() const { return FHSocket; }
    // The lookup workers; tests replace their lookup functions.
    TResolver& Resolver() { return *FResolver; }

    // --- events (Sender first) ----------------------------------------------
    TSessionEvent OnDataAvailable;
    TSessionEvent OnDataSent;
    TSessionEvent OnSessionClosed;
    TSessionEvent OnSessionAvailable;
    TSessionEvent OnSessionConnected;
    TSessionEvent OnDnsLookupDone;
    TSendDataEvent OnSendData;
    TChangeStateEvent OnChangeState;
    TSocketNotifyEvent OnError;
    TBgExceptionEvent OnBgException;

    // --- connection --------------------------------------------------------
    // Starts a connection to Addr:Port. TCP: the state passes wsOpened and
    // wsConnecting inside the call; the outcome arrives as OnSessionConnected
    // (with State already wsConnected, also on failure, which is then followed
    // by a close). UDP: connected at once, OnSessionConnected(0) inside the call.
    // With further addresses (SetAddrList) a TCP connect races them, the
    // families alternating (see TConnectRace): the events are those of one
    // connect, to the address that connected first, or with the error of the
    // failure that came last when none did. Connect raises as for one address
    // only when every attempt failed at once. Close, Abort and destruction
    // end every attempt.
    virtual void Connect();
    virtual void Close();
    // Hands the rest of the session to a posted request: safe inside handlers.
    virtual void CloseDelayed();
    // Deletes the object from a posted request; see the class comment.
    virtual void Release();
    // Cancels a lookup, discards unsent data and closes at once.
    virtual void Abort();
    // Waits (running the event loop, without spinning) until everything sent
    // has been handed to the OS or the socket is closed.
    virtual void Flush();
    // Waits (running the event loop, without spinning) until the session ends.
    virtual void WaitForClose();
    virtual void Listen();
    // Accepts a pending connection of a listening socket; returns its handle or -1.
    virtual int Accept();
    // Adopts an accepted handle; the object becomes wsConnected.
    virtual void Dup(int NewHandle);
    virtual void Shutdown(int How);
    virtual void Pause();
    virtual void Resume();
    // Runs the events waiting right now: with MultiThreaded, ProcessMessages
    // (the thread's own dispatcher); otherwise the application's processing.
    virtual void MessagePump();

    // --- receiving (never raise; -1 and LastError on failure, 0 at end) ------
    virtual int Receive(void* Buffer, int BufferSize);
    virtual std::string ReceiveStr();
    int PeekData(void* Buffer, int BufferSize);
    // The IPv4 form; an IPv6 socket needs the sockaddr_storage form below.
    virtual int ReceiveFrom(void* Buffer, int BufferSize, sockaddr_in& From);

    // --- sending ------------------------------------------------------------
    // Appends to the send chain and writes what the OS takes now; returns the
    // bytes accepted into the chain. OnDataSent follows from the event loop,
    // never inside the call. Not connected: error 10057, closes, returns -1.
    virtual int Send(const void* Data, int Len);
    virtual int SendStr(const std::string& Str);
    int SendText(const std::string& Str) { return SendStr(Str); }
    // Unbuffered datagram send to the given address.
    virtual int SendTo(const sockaddr_in& Dest, const void* Data, int Len);
    void PutDataInSendBuffer(const void* Data, int Len);
    void PutStringInSendBuffer(const std::string& Str);
    void DeleteBufferedData();

    // --- name lookup --------------------------------------------------------
    // Asynchronous; the result arrives in OnDnsLookupDone. A numeric address
    // (an IPv6 literal too) is answered inside the call, in DnsResult alone.
    // Names are looked up for IPv4 and IPv6 addresses, all of them in
    // DnsResultList in the system's order, the first in DnsResult. An empty
    // host raises.
    virtual void DnsLookup(const std::string& HostName);
    virtual void ReverseDnsLookup(const std::string& HostAddr);
    // Drops the pending lookup and raises OnDnsLookupDone(10004).
    virtual void CancelDnsLookup();

    // --- address queries ----------------------------------------------------
    // The IPv4 forms: -1 (EAFNOSUPPORT) for an IPv6 socket.
    virtual int GetPeerName(sockaddr_in& Name);
    virtual int GetSockName(sockaddr_in& Name);
    // Local port in decimal when bound, connected or listening, else "error".
    virtual std::string GetXPort();

    // --- seconds/microseconds pairs -----------------------------------------
    // Plain helpers: whether a pair is non-zero, zeroing it, and whether the
    // equality of two pairs is the wanted truth value.
    virtual bool TimerIsSet(const timeval& Tvp) const;
    virtual void TimerClear(timeval& Tvp);
    virtual bool TimerCmp(const timeval& Tvp, const timeval& Uvp, bool IsEqual) const;

protected:
    virtual void WndProc(TSocketMessage& Msg);
    virtual void AssignDefaultValue();
    virtual void InternalClose(bool Shut, std::uint16_t Error);
    virtual void SetRemotePort(const std::string& Value);
    virtual std::int32_t GetRcvdCount();
    // Whether a layer holds bytes it will hand out before the system's; the
    // engine holds none.
    virtual bool HoldsBytes() const { return false; }
    virtual void BindSocket();
    virtual int RealSend(const void* Data, int Len);
    virtual void RaiseException(const std::string& Message);
    virtual void HandleBackGroundException(const std::exception& E);

    // Trigger operations: the single place where each event is raised.
    // TriggerDataAvailable returns whether a handler took the event.
    virtual bool TriggerDataAvailable(std::uint16_t Error);
    virtual void TriggerSessionAvailable(std::uint16_t Error);
    virtual void TriggerSessionConnected(std::uint16_t Error);
    virtual void TriggerSessionClosed(std::uint16_t Error);
    virtual void TriggerDataSent(std::uint16_t Error);
    virtual void TriggerChangeState(TSocketState OldState, TSocketState NewState);
    virtual void TriggerDNSLookupDone(std::uint16_t Error);
    virtual void TriggerError();
    virtual void TriggerSendData(std::int32_t BytesSent);

    // The receive chain; the innermost level calls the OS.
    virtual int DoRecv(void* Buffer, int BufferSize, int Flags);

public:
    // --- the forms for IPv4 and IPv6 (after the operations above, whose
    // order stays) ---------------------------------------------------------
    virtual int ReceiveFrom(void* Buffer, int BufferSize, sockaddr_storage& From);
    virtual int SendTo(const sockaddr_storage& Dest, const void* Data, int Len);
    virtual int GetPeerName(sockaddr_storage& Name);
    virtual int GetSockName(sockaddr_storage& Name);

protected:
    // Builds "Error N in function Name" from the current socket error and raises
    // it. A lost connection (10054, 10057) first ends the session: the state
    // change and, for an open session, its one OnSessionClosed.
    void SocketError(const std::string& FunctionName);
    // Same, with an explicit Winsock error number.
    void SocketErrorNum(int Error, const std::string& FunctionName);
    void ChangeState(TSocketState NewState);
    void TryToSend();
    // For layers that write to the handle themselves: the next room to write
    // is reported through the write path (OnDataSent's trigger).
    void RequestWriteNotification();
    bool Destroying() const { return FDestroying; }
    // A peer close raises OnSessionClosed before its state change. A setting
    // or Connect inside that handler closes the ended session first, so the
    // handler may set up the next one; false when a handler of that close
    // deleted the object.
    bool CloseEndedSession();
    // Ends the object's life: watches read false from now on, a pending
    // lookup is dropped and an open socket closed. Every layer's destructor
    // calls it first, so the most-derived one closes with all layers alive;
    // later calls do nothing.
    void BeginDestruction();
    // Posts a private message (WM_...) for the current handle to this object;
    // it runs from the event loop.
    void PostSocketMessage(unsigned Msg, std::uint32_t LParam = 0);

    // Internal state shared with the layers above.
    int FHSocket = -1;
    TSocketState FState = wsClosed;
    std::int32_t FLastError = 0;
    bool FCloseNotified = false;
    bool FAllSent = true;
    bool FPaused = false;
    TSocketAddress FRemoteSockAddr;
    bool FAddrAssigned = false;
    bool FAddrResolved = false;
    bool FPortAssigned = false;
    bool FPortResolved = false;
    // Cleared first thing by the destructor; code that raised an event
    // watches it before touching the object again, since a handler may have
    // deleted it.
    TLifeToken FLife;

private:
    void Dispatch(TSocketMessage& Msg);
    void HandleReadiness(int Handle, bool Writable);
    // Raises the events of a readiness notification, with the notifier that
    // fired held off meanwhile.
    void DispatchReadiness(TSocketMessage& Msg, bool Writable);
    void HandleArrival(int Handle, bool Hangup);
    void PostCloseNotification();
    // The error the system holds for the descriptor (a failed connect, a
    // reset) as a Winsock number, 0 when none; reading it clears it.
    int PendingSocketError();
    void WaitForArrival();
    void WMASyncSelect(TSocketMessage& Msg);
    void WMAsyncLookupDone(TSocketMessage& Msg);
    void ASyncReceive(std::uint16_t Error);
    void UpdateNotifiers();
    void ApplyLinger();
    bool SetSockOption(int Option, int Value, const char* FunctionName);
    linger LingerOption() const;
    // The local address to bind to for a connection of the given family.
    TSocketAddress LocalSockAddr(int Family) const;
    // A TCP client binds only to a given local address or port.
    bool WantsLocalBind() const;
    void AdoptHandle(int Handle);
    // The outcome of a TCP connect for the layers: connected, or failed
    // (connected with the error, then closed).
    void ConnectOutcome(int Error);
    // Races the further addresses of SetAddrList against the own attempt
    // (failed at once with OwnError, or 0); the error of the last failure
    // when every attempt failed at once, else 0.
    int StartRace(int OwnError);
    // A descriptor for a further attempt, as Connect prepares its own.
    int OpenAttempt(const TSocketAddress& Address) const;
    void AdoptRaceWinner(int Handle, const TSocketAddress& Address);
    // What the own attempt's writability means while racing: false when
    // another attempt still runs.
    bool OwnAttemptDecides(int& Error);
    bool CloseHandleNow();
    void StartLookup(unsigned Msg, const std::string& Query);
    // An empty host raises; with OnError assigned the lookup ends at once (10022).
    void RefuseEmptyHost();
    void ResolveForConnect(bool WithLocalPort);
    // Resolves what is not resolved yet, empties the send chain and opens a
    // fresh descriptor; false (raised) when either failed. A resolution
    // failure reads "<Operation>: <reason>", a socket failure names
    // SocketFunction.
    bool OpenSocket(bool WithLocalPort, const char* Operation, const char* SocketFunction);
    // One datagram to or from an address of either family.
    int SendDatagram(const sockaddr* Dest, socklen_t DestSize, const void* Data, int Len);
    int ReceiveDatagram(void* Buffer, int BufferSize, sockaddr* From, socklen_t FromSize);
    // The datagram parts of Connect and Listen: connected at once.
    void ConnectDatagram();
    void ListenDatagram();

    static constexpr int kTcpProtocol = 6;
    static constexpr const char* kAnyAddress = "0.0.0.0";

    std::unique_ptr<TSocketEndpoint> FEndpoint;
    std::unique_ptr<TResolver> FResolver;
    std::uint64_t FSessionId = 0;

    std::string FAddrStr;
    std::string FPortStr;
    std::string FProtoStr;
    std::string FLocalAddr;
    std::string FLocalPortStr;
    bool FProtoAssigned = true;
    bool FProtoResolved = false;
    bool FLocalPortResolved = false;
    int FSocketType = 0;
    int FProtoNumber = kTcpProtocol;
    int FLocalPortNumber = 0;

    // The further addresses of SetAddrList, and resolved for this Connect.
    std::vector<std::string> FMoreAddrs;
    std::vector<TSocketAddress> FRaceTargets;
    std::unique_ptr<TConnectRace> FRace;

    std::string FDnsResult;
    std::vector<std::string> FDnsResultList;
    std::uintptr_t FLookupHandle = 0;

    TSendChain FSendChain{kSendBlockSize};
    int FSendFlags = 0;
    TSocketLingerOnOff FLingerOnOff = wsLingerOn;
    std::int32_t FLingerTimeout = 0;
    bool FMultiThreaded = false;
    TSocketOptions FComponentOptions = 0;
    std::int64_t FReadCount = 0;
    bool FDestroying = false;

    TSocketReadiness FReadiness;
    // Receive calls (not peeks); tells whether an OnDataAvailable handler read.
    std::uint64_t FRecvCalls = 0;
    // Bytes those calls took from the system; bounds one round of reception.
    std::uint64_t FRecvBytes = 0;
    // The last of them took less than it asked for: the system had no more
    // then, so the receive loop need not ask it how much waits.
    bool FRecvDrained = false;

    // --- the socket's own message pump ----------------------------------------
    // The quit message is a quit request posted to this socket with
    // PostQuitMessage, which any thread may call while the socket lives (a
    // worker's owner uses it to end the worker's waits). Whichever pump takes
    // it sets Terminated and dispatches nothing. MessageLoop also ends when the
    // calling thread's event loop is asked to quit (QThread::quit; on the main
    // thread QCoreApplication::exit). Terminated stays set: every later
    // ReadLine or WaitUntilReady ends at once with 12001.
public:
    // Bound of ProcessMessages, so that a steady stream of events cannot hold it.
    static constexpr int kMaxPumpRounds = 1000;

    // Runs the events of the calling thread's own event dispatcher that are
    // waiting now, once; returns whether the dispatcher handled any.
    bool ProcessMessage();
    // Repeats ProcessMessage until nothing is left (at most kMaxPumpRounds times).
    void ProcessMessages();
    // Runs the calling thread's event loop until the quit message, then sets
    // Terminated. Returns at once when Terminated is already set.
    void MessageLoop();
    bool Terminated() const { return FTerminated; }
    void PostQuitMessage();

protected:
    // For layers that hand out bytes they hold: counts as a receive call, so
    // the receive loop goes on and the next read notification is armed.
    void CountReceiveCall(int Flags);
    // A wait inside a read handler needs the read notifications, which are
    // off while that handler runs: this lets them through and returns what
    // EndReadWait takes to put them back.
    bool BeginReadWait();
    void EndReadWait(bool WasBusy) { FReadiness.EndReadWait(WasBusy); }

private:
    void TakeQuitMessage();

    bool FTerminated = false;
    QEventLoop* FMessageLoop = nullptr; // the running MessageLoop, if any
};
