#pragma once
// The application object set up once per test program as Install.exe sets it up: COM for the
// shell calls, common controls, the title the error boxes carry, and its message loop handed to
// the network's waits.
#include "net/socket/MessagePump.h"
#include "ui/Application.h"

namespace testsupport {

inline void StartApplication() {
    static ui::ComApartment com;
    auto& app = ui::Application::Instance();
    app.Initialize();
    app.SetTitle("Installation");
    net::SetMessagePump({[&app] { app.ProcessMessages(); }, [&app](DWORD ms) { app.WaitForMessage(ms); },
                         [&app](std::exception_ptr error) { app.HandleException(error); }});
}

}  // namespace testsupport
