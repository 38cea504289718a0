// The Win32 communications calls on terminal devices. Each checks for an
// injected fault, its handle and its arguments, then hands over to the
// device object.
#include "platform/FaultInjection.h"
#include "platform/PortNames.h"
#include "platform/posix/CommDevice.h"
#include "platform/posix/CommSettings.h"
#include "platform/posix/Errors.h"
#include "platform/posix/OpenFailureRecord.h"
#include "platform/posix/OverlappedResult.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace tessaline::platform;

namespace {

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

std::shared_ptr<CommDevice> FindDevice(HANDLE file)
{
    return LookupHandleAs<CommDevice>(file);
}

// The common path of a call on a device handle: an injected fault of
// `function` fails it first, then a handle that names no device (the lookup
// sets ERROR_INVALID_HANDLE); otherwise `call` runs on the device.
template <class Call>
BOOL OnDevice(const char* function, HANDLE file, Call call)
{
    if (InjectFault(function))
        return FALSE;
    auto device = FindDevice(file);
    return device ? call(*device) : FALSE;
}

// As OnDevice, for calls whose out or in structure is required: a null one
// fails with ERROR_INVALID_PARAMETER once the handle has been found good.
template <class T, class Call>
BOOL OnDeviceWith(const char* function, HANDLE file, T* required, Call call)
{
    return OnDevice(function, file, [&](CommDevice& device) {
        return required ? call(device, *required) : Fail(ERROR_INVALID_PARAMETER);
    });
}

constexpr DWORD kProviderRs232 = 1;  // PST_RS232

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile)
{
    if (InjectFault("CreateFileA")) {
        const DWORD error = GetLastError();
        RecordOpenFailureCode(fileName ? ResolvePortName(fileName) : std::string(), error);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (fileName == nullptr || *fileName == '\0') {
        RecordOpenFailureCode(std::string(), ERROR_PATH_NOT_FOUND);
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (creationDisposition != OPEN_EXISTING || templateFile != nullptr) {
        RecordOpenFailureCode(fileName, ERROR_INVALID_PARAMETER);
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // A port name that maps to no device: nothing to open.
    const std::string path = ResolvePortName(fileName);
    if (path.empty()) {
        RecordOpenFailure(path, OpenFailureKind::NotFound, ENOENT);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto device = CommDevice::Open(path, (flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0);
    if (!device)
        return INVALID_HANDLE_VALUE;
    ClearOpenFailure();
    return InsertHandle(std::move(device));
}

BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue)
{
    return OnDevice("SetupComm", file, [&](CommDevice& device) { return device.Setup(inQueue, outQueue); });
}

BOOL GetCommState(HANDLE file, LPDCB dcb)
{
    return OnDeviceWith("GetCommState", file, dcb, [](CommDevice& device, DCB& out) { return device.GetState(out); });
}

BOOL SetCommState(HANDLE file, LPDCB dcb)
{
    return OnDeviceWith("SetCommState", file, dcb, [](CommDevice& device, DCB& in) { return device.SetState(in); });
}

BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts)
{
    return OnDeviceWith("GetCommTimeouts", file, timeouts,
                        [](CommDevice& device, COMMTIMEOUTS& out) { return device.GetTimeouts(out); });
}

BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts)
{
    return OnDeviceWith("SetCommTimeouts", file, timeouts,
                        [](CommDevice& device, COMMTIMEOUTS& in) { return device.SetTimeouts(in); });
}

BOOL SetCommMask(HANDLE file, DWORD eventMask)
{
    return OnDevice("SetCommMask", file, [&](CommDevice& device) { return device.SetMask(eventMask); });
}

BOOL GetCommMask(HANDLE file, LPDWORD eventMask)
{
    return OnDeviceWith("GetCommMask", file, eventMask,
                        [](CommDevice& device, DWORD& out) { return device.GetMask(out); });
}

BOOL WaitCommEvent(HANDLE file, LPDWORD eventMask, LPOVERLAPPED overlapped)
{
    return OnDevice("WaitCommEvent", file, [&](CommDevice& device) { return device.WaitEvent(eventMask, overlapped); });
}

BOOL ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT status)
{
    return OnDevice("ClearCommError", file, [&](CommDevice& device) { return device.ClearError(errors, status); });
}

BOOL GetCommModemStatus(HANDLE file, LPDWORD modemStatus)
{
    return OnDeviceWith("GetCommModemStatus", file, modemStatus,
                        [](CommDevice& device, DWORD& out) { return device.GetModemStatus(out); });
}

BOOL EscapeCommFunction(HANDLE file, DWORD function)
{
    return OnDevice("EscapeCommFunction", file, [&](CommDevice& device) { return device.Escape(function); });
}

BOOL PurgeComm(HANDLE file, DWORD flags)
{
    return OnDevice("PurgeComm", file, [&](CommDevice& device) { return device.Purge(flags); });
}

BOOL GetDefaultCommConfigA(LPCSTR name, LPCOMMCONFIG config, LPDWORD size)
{
    if (InjectFault("GetDefaultCommConfigA"))
        return FALSE;
    if (name == nullptr || size == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (config == nullptr || *size < sizeof(COMMCONFIG)) {
        *size = sizeof(COMMCONFIG);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    struct stat info
    {};
    if (*name == '\0' || stat(ResolvePortName(name).c_str(), &info) != 0)
        return FailWithErrno(*name == '\0' ? ENOENT : errno);
    if (!S_ISCHR(info.st_mode))
        return FailWithErrno(ENOTTY);
    std::memset(config, 0, sizeof(COMMCONFIG));
    config->dwSize = sizeof(COMMCONFIG);
    config->wVersion = 1;
    config->dcb = DefaultDcb();
    config->dwProviderSubType = kProviderRs232;
    *size = sizeof(COMMCONFIG);
    return TRUE;
}

BOOL SetCommConfig(HANDLE file, LPCOMMCONFIG config, DWORD size)
{
    return OnDevice("SetCommConfig", file, [&](CommDevice& device) {
        if (config == nullptr || size < sizeof(COMMCONFIG) || config->dwSize < sizeof(COMMCONFIG))
            return Fail(ERROR_INVALID_PARAMETER);
        return device.SetState(config->dcb);
    });
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped)
{
    return OnDevice("ReadFile", file,
                    [&](CommDevice& device) { return device.Read(buffer, bytesToRead, bytesRead, overlapped); });
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped)
{
    return OnDevice("WriteFile", file,
                    [&](CommDevice& device) { return device.Write(buffer, bytesToWrite, bytesWritten, overlapped); });
}

BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD bytesTransferred, BOOL wait)
{
    if (InjectFault("GetOverlappedResult"))
        return FALSE;
    if (overlapped == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (LoadStatus(*overlapped) == kRequestPending) {
        if (!wait)
            return Fail(ERROR_IO_INCOMPLETE);
        auto device = FindDevice(file);
        if (!device)
            return FALSE;
        device->AwaitCompletion(overlapped);
    }
    const auto status = static_cast<DWORD>(LoadStatus(*overlapped));
    if (bytesTransferred)
        *bytesTransferred = LoadCount(*overlapped);
    return status == ERROR_SUCCESS ? TRUE : Fail(status);
}

BOOL CancelIo(HANDLE file)
{
    return OnDevice("CancelIo", file, [](CommDevice& device) { return device.Cancel(); });
}

namespace tessaline::platform::testing {

BOOL InjectReceivedBytes(HANDLE file, const void* data, DWORD length)
{
    auto device = FindDevice(file);
    if (!device)
        return FALSE;
    device->InjectReceived(static_cast<const std::uint8_t*>(data), length);
    return TRUE;
}

}  // namespace tessaline::platform::testing
