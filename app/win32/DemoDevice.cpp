// Windows: the demo device is a pseudo-terminal served inside the process,
// and Windows has no pseudo-terminals that a COM port name can reach, so
// there is no demo device here; --demo is refused with a message before the
// program starts (app/win32/ProgramStart.cpp). Start fails with
// ERROR_NOT_SUPPORTED should anything call it.
#include "app/DemoDevice.h"

#include "platform/win32.h"

namespace tessaline::app {

DemoDevice::~DemoDevice()
{
    Stop();
}

bool DemoDevice::Start()
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return false;
}

void DemoDevice::Stop() {}

}  // namespace tessaline::app
