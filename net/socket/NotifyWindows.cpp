#include "net/socket/NotifyWindows.h"

#include "net/socket/SocketComponent.h"
#include "net/socket/ThreadTimer.h"
#include "net/socket/MessagePump.h"

namespace net {
namespace {

constexpr const char* kSocketClass = "SocketWindowClass";
constexpr const char* kTimerClass = "TmrWindowClass";

template <typename T>
T* OwnerOf(HWND window) {
    return reinterpret_cast<T*>(GetWindowLongPtrA(window, 0));
}

LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ROzaverazo* owner = OwnerOf<ROzaverazo>(window);
    if (owner && message >= SocketEventMessage) {
        // HandleNotification swallows what it raises; this is only the last guard.
        try {
            owner->HandleNotification(message, wParam, lParam);
        } catch (...) {
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TThreadTimer* timer = OwnerOf<TThreadTimer>(window);
    if (!timer) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_ACTIVATEAPP) return 0;
    if (message == WM_TIMER) {
        try {
            timer->Tick();
        } catch (...) {
            MessagePump().HandleException(std::current_exception());
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateHiddenWindow(const char* className, WNDPROC procedure, void* owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing{};
    if (!GetClassInfoA(instance, className, &existing)) {
        WNDCLASSA cls{};
        cls.lpfnWndProc = procedure;
        // Room for the owner pointer at index 0 (a full pointer on 64-bit Windows).
        cls.cbWndExtra = sizeof(LONG_PTR);
        cls.hInstance = instance;
        cls.lpszClassName = className;
        if (!RegisterClassA(&cls)) return nullptr;
    }
    HWND window =
        CreateWindowExA(WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (window && owner) SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

}  // namespace

HWND CreateSocketWindow(ROzaverazo* owner) { return CreateHiddenWindow(kSocketClass, SocketWindowProc, owner); }

HWND CreateTimerWindow(TThreadTimer* owner) { return CreateHiddenWindow(kTimerClass, TimerWindowProc, owner); }

}  // namespace net
