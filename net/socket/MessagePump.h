#pragma once
// The application's message loop as the network layer's waits use it. Everything runs on the
// user-interface thread, so a wait for the network must keep the windows alive (paint, input, the
// user's Cancel) by dispatching the thread's messages; and the loop that does it right is the
// application's (its dialog navigation, its error box), which the network layer does not know.
// The application hands it in at start; a program that never does (a benchmark, a test of the
// socket alone) gets the thread's queue dispatched plainly.
#include <windows.h>

#include <exception>
#include <functional>

namespace net {

struct TMessagePump {
    // Dispatches every message queued for the thread.
    std::function<void()> ProcessMessages;
    // Blocks until a message arrives for the thread or `ms` milliseconds pass.
    std::function<void(DWORD ms)> WaitForMessage;
    // An error that a handler raised inside one of the layer's window procedures, which it must
    // not cross.
    std::function<void(std::exception_ptr error)> HandleException;
};

// From now on the layer's waits go through `pump`; one left empty keeps its plain part.
void SetMessagePump(TMessagePump pump);
const TMessagePump& MessagePump();

}  // namespace net
