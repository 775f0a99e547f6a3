#pragma once
// The application object set up once per test program as Install.exe sets it up: COM for the
// shell calls, common controls, and the title the error boxes carry.
#include "ui/Application.h"

namespace testsupport {

inline void StartApplication() {
    static ui::ComApartment com;
    ui::Application::Instance().Initialize();
    ui::Application::Instance().SetTitle("Installation");
}

}  // namespace testsupport
