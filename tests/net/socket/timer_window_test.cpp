// The timer component, the hidden notification windows and the socket error texts.
#include <gtest/gtest.h>

#include <stdexcept>

#include "LoopbackPeer.h"
#include "net/socket/NotifyWindows.h"
#include "net/socket/ThreadTimer.h"
#include "tests/support/TestApplication.h"
#include "ui/Application.h"

using net::TThreadTimer;
using sockettest::PumpFor;

namespace {

class CountingTimer : public TThreadTimer {
public:
    void Tick() override {
        ++ticks;
        TThreadTimer::Tick();
    }
    int ticks = 0;
};

// Pumps until the next tick; returns its time after `start`, or `limit` when none came.
DWORD NextTick(const bool& ticked, const DWORD& at, DWORD limit) {
    return sockettest::PumpUntil([&] { return ticked; }, limit) ? at : limit;
}

}  // namespace

TEST(ThreadTimer, RunsOnlyWithIntervalHandlerAndEnabled) {
    CountingTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.Running()) << "a new timer has no system timer";

    timer.SetInterval(30);
    EXPECT_FALSE(timer.Running()) << "no handler yet";
    timer.SetOnTimer([](void*) {});
    EXPECT_TRUE(timer.Running());
    PumpFor(200);
    EXPECT_GE(timer.ticks, 2);

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    const int before = timer.ticks;
    PumpFor(120);
    EXPECT_EQ(timer.ticks, before);

    timer.SetEnabled(true);
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    timer.SetInterval(30);
    timer.SetOnTimer(nullptr);
    EXPECT_FALSE(timer.Running());
}

TEST(ThreadTimer, SettingTheSameIntervalDoesNotRestartThePeriod) {
    TThreadTimer timer;
    bool ticked = false;
    DWORD start = 0, at = 0;
    auto record = [&](void*) {
        if (!ticked) at = GetTickCount() - start;
        ticked = true;
    };
    timer.SetInterval(600);
    start = GetTickCount();
    timer.SetOnTimer(record);
    PumpFor(400);
    ASSERT_FALSE(ticked);
    timer.SetInterval(600);  // unchanged: the running period goes on
    EXPECT_LT(NextTick(ticked, at, 3000), 800u) << "the period was restarted";

    timer.SetEnabled(false);
    ticked = false;
    start = GetTickCount();
    timer.SetEnabled(true);
    PumpFor(400);
    ASSERT_FALSE(ticked);
    timer.SetInterval(601);  // changed: restarts from now
    EXPECT_GE(NextTick(ticked, at, 3000), 900u) << "a changed interval must restart the period";
}

TEST(ThreadTimer, WindowSkipsActivateAppAndRoutesTimerMessages) {
    CountingTimer timer;
    char name[64] = {};
    GetClassNameA(timer.Window(), name, sizeof name);
    EXPECT_STREQ(name, "TmrWindowClass");

    EXPECT_EQ(SendMessageA(timer.Window(), WM_ACTIVATEAPP, TRUE, 0), 0);
    EXPECT_EQ(timer.ticks, 0);
    EXPECT_EQ(SendMessageA(timer.Window(), WM_TIMER, 1, 0), 0);
    EXPECT_EQ(timer.ticks, 1);
}

TEST(ThreadTimer, HandlerExceptionGoesToTheApplicationAndTimerKeepsRunning) {
    testsupport::StartApplication();  // which hands its loop to the network layer
    auto& app = ui::Application::Instance();
    std::string reported;
    app.ErrorHook = [&](const std::string& message) { reported = message; };
    TThreadTimer timer;
    int calls = 0;
    timer.SetInterval(20);
    timer.SetOnTimer([&](void*) {
        ++calls;
        throw std::runtime_error("tick failed");
    });
    PumpFor(150);
    app.ErrorHook = nullptr;
    EXPECT_EQ(reported, "tick failed");
    EXPECT_GE(calls, 2);
    EXPECT_TRUE(timer.Running());
}

TEST(NotifyWindow, PassesMessagesFrom1125AndDefaultsBelow) {
    sockettest::Probe first;
    sockettest::Probe second;  // reuses both registered classes
    ASSERT_NE(first.NotifyWindow, nullptr);
    ASSERT_NE(second.NotifyWindow, nullptr);
    char name[64] = {};
    GetClassNameA(second.NotifyWindow, name, sizeof name);
    EXPECT_STREQ(name, "SocketWindowClass");

    const LPARAM failed = MAKELPARAM(0, WSAECONNREFUSED);
    first.EventSucceeded = true;
    SendMessageA(first.NotifyWindow, net::SocketEventMessage - 1, 0, failed);
    EXPECT_TRUE(first.EventSucceeded) << "1124 must get the default processing";
    EXPECT_EQ(SendMessageA(first.NotifyWindow, net::SocketEventMessage + 2, 0, failed), 0);
    EXPECT_FALSE(first.EventSucceeded) << "1127 must reach the component";
    EXPECT_EQ(SendMessageA(first.NotifyWindow, WM_USER + 500, 0, 0), 0);
    EXPECT_TRUE(first.EventSucceeded);

    // A lookup completion that belongs to no lookup of ours changes nothing.
    first.WaitGate = false;
    SendMessageA(first.NotifyWindow, net::LookupDoneMessage, 0x1234, MAKELPARAM(0, 11001));
    EXPECT_FALSE(first.WaitGate);
    EXPECT_TRUE(first.EventSucceeded);
}

TEST(SocketErrors, CheckSocketErrorRaisesAllButWouldBlockAndLowNumbers) {
    sockettest::Probe probe;
    int reportedNumber = 0;
    std::string reportedText;
    probe.OnSocketError = [&](void*, std::uint16_t number, const std::string& text) {
        reportedNumber = number;
        reportedText = text;
    };
    std::string text = "left over";
    WSASetLastError(WSAECONNREFUSED);
    try {
        probe.CheckSocketError(WSAEWOULDBLOCK, text);
        FAIL() << "10061 must raise";
    } catch (const net::ESockError& error) {
        EXPECT_STREQ(error.what(), "10061:Connection refused");
    }
    EXPECT_EQ(reportedNumber, 10061);
    EXPECT_EQ(reportedText, "10061:Connection refused");
    EXPECT_EQ(probe.LastErrorNumber(), 10061);

    for (int quiet : {WSAEWOULDBLOCK, 10000, 5, 0}) {
        text = "x";
        WSASetLastError(quiet);
        EXPECT_NO_THROW(probe.CheckSocketError(WSAEWOULDBLOCK, text)) << quiet;
        EXPECT_EQ(text, "") << quiet;
    }
    WSASetLastError(12345);
    EXPECT_THROW(probe.CheckSocketError(WSAEWOULDBLOCK, text), net::ESockError);
    EXPECT_EQ(text, "Unknown Error No. 12345");
}

TEST(SocketErrors, TextsFollowTheTable) {
    const std::pair<int, const char*> rows[] = {
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Wrong protocol type for socket"},
        {10042, "Bad protocol option"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Can't assign requested address"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Network dropped connection or reset"},
        {10053, "Software caused connection abort"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references, can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to Host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc quota exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network subsystem is unavailable"},
        {10092, "Incompatible version of WINSOCK.DLL"},
        {10093, "Successful WSAStartup not yet performed"},
        {11001, "Host not found"},
        {11002, "Non-Authoritative Host not found"},
        {11003, "Non-Recoverable error: FORMERR, REFUSED, NOTIMP"},
        {11004, "Valid name, no data record of requested type"},
    };
    for (const auto& [number, text] : rows) {
        EXPECT_EQ(net::SocketErrorText(number), std::to_string(number) + ":" + text);
        EXPECT_LE(std::string(text).size(), 51u);
    }
    EXPECT_EQ(net::SocketErrorText(10000), "Unknown Error No. 10000");
    EXPECT_EQ(net::SocketErrorText(10072), "Unknown Error No. 10072");
}
