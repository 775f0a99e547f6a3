#include "net/socket/MessagePump.h"

namespace net {
namespace {

void DispatchQueue() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void WaitOnQueue(DWORD ms) { MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE); }

// Without an application there is no one to tell: the handler's error ends only that message.
void DropError(std::exception_ptr) {}

TMessagePump& Current() {
    static TMessagePump pump{DispatchQueue, WaitOnQueue, DropError};
    return pump;
}

}  // namespace

void SetMessagePump(TMessagePump pump) {
    TMessagePump& current = Current();
    current.ProcessMessages = pump.ProcessMessages ? std::move(pump.ProcessMessages) : DispatchQueue;
    current.WaitForMessage = pump.WaitForMessage ? std::move(pump.WaitForMessage) : WaitOnQueue;
    current.HandleException = pump.HandleException ? std::move(pump.HandleException) : DropError;
}

const TMessagePump& MessagePump() { return Current(); }

}  // namespace net
