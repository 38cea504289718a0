// The Win32 communications calls on terminal devices. Each checks for an
// injected fault, its arguments and its handle, then hands over to the
// device object.
#include "platform/port_names.h"
#include "platform/posix/comm_device.h"
#include "platform/posix/errors.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/open_failure_record.h"
#include "platform/testing.h"

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

DCB DefaultDcb()
{
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
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
    if (InjectFault("SetupComm"))
        return FALSE;
    auto device = FindDevice(file);
    return device ? device->Setup(inQueue, outQueue) : FALSE;
}

BOOL GetCommState(HANDLE file, LPDCB dcb)
{
    if (InjectFault("GetCommState"))
        return FALSE;
    auto device = FindDevice(file);
    if (!device)
        return FALSE;
    if (dcb == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    return device->GetState(*dcb);
}

BOOL SetCommState(HANDLE file, LPDCB dcb)
{
    if (InjectFault("SetCommState"))
        return FALSE;
    auto device = FindDevice(file);
    if (!device)
        return FALSE;
    if (dcb == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    return device->SetState(*dcb);
}

BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts)
{
    if (InjectFault("GetCommTimeouts"))
        return FALSE;
    auto device = FindDevice(file);
    if (!device)
        return FALSE;
    if (timeouts == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    return device->GetTimeouts(*timeouts);
}

BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts)
{
    if (InjectFault("SetCommTimeouts"))
        return FALSE;
    auto device = FindDevice(file);
    if (!device)
        return FALSE;
    if (timeouts == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    return device->SetTimeouts(*timeouts);
}

BOOL SetCommMask(HANDLE file, DWORD eventMask)
{
    if (InjectFault("SetCommMask"))
        return FALSE;
    auto device = FindDevice(file);
    return device ? device->SetMask(eventMask) : FALSE;
}

BOOL GetCommMask(HANDLE file, LPDWORD eventMask)
{
    if (InjectFault("GetCommMask"))
        return FALSE;
    auto device = FindDevice(file);
    if (!device)
        return FALSE;
    if (eventMask == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    return device->GetMask(*eventMask);
}

BOOL WaitCommEvent(HANDLE file, LPDWORD eventMask, LPOVERLAPPED overlapped)
{
    if (InjectFault("WaitCommEvent"))
        return FALSE;
    auto device = FindDevice(file);
    return device ? device->WaitEvent(eventMask, overlapped) : FALSE;
}

BOOL ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT status)
{
    if (InjectFault("ClearCommError"))
        return FALSE;
    auto device = FindDevice(file);
    return device ? device->ClearError(errors, status) : FALSE;
}

BOOL GetCommModemStatus(HANDLE file, LPDWORD modemStatus)
{
    if (InjectFault("GetCommModemStatus"))
        return FALSE;
    auto device = FindDevice(file);
    if (!device)
        return FALSE;
    if (modemStatus == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    return device->GetModemStatus(*modemStatus);
}

BOOL EscapeCommFunction(HANDLE file, DWORD function)
{
    if (InjectFault("EscapeCommFunction"))
        return FALSE;
    auto device = FindDevice(file);
    return device ? device->Escape(function) : FALSE;
}

BOOL PurgeComm(HANDLE file, DWORD flags)
{
    if (InjectFault("PurgeComm"))
        return FALSE;
    auto device = FindDevice(file);
    return device ? device->Purge(flags) : FALSE;
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
    struct stat info {};
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
    if (InjectFault("SetCommConfig"))
        return FALSE;
    auto device = FindDevice(file);
    if (!device)
        return FALSE;
    if (config == nullptr || size < sizeof(COMMCONFIG) || config->dwSize < sizeof(COMMCONFIG))
        return Fail(ERROR_INVALID_PARAMETER);
    return device->SetState(config->dcb);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped)
{
    if (InjectFault("ReadFile"))
        return FALSE;
    auto device = FindDevice(file);
    return device ? device->Read(buffer, bytesToRead, bytesRead, overlapped) : FALSE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped)
{
    if (InjectFault("WriteFile"))
        return FALSE;
    auto device = FindDevice(file);
    return device ? device->Write(buffer, bytesToWrite, bytesWritten, overlapped) : FALSE;
}

BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD bytesTransferred, BOOL wait)
{
    if (InjectFault("GetOverlappedResult"))
        return FALSE;
    if (overlapped == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (__atomic_load_n(&overlapped->Internal, __ATOMIC_ACQUIRE) == kRequestPending) {
        if (!wait)
            return Fail(ERROR_IO_INCOMPLETE);
        auto device = FindDevice(file);
        if (!device)
            return FALSE;
        device->AwaitCompletion(overlapped);
    }
    const auto status = static_cast<DWORD>(__atomic_load_n(&overlapped->Internal, __ATOMIC_ACQUIRE));
    if (bytesTransferred)
        *bytesTransferred = static_cast<DWORD>(__atomic_load_n(&overlapped->InternalHigh, __ATOMIC_ACQUIRE));
    return status == ERROR_SUCCESS ? TRUE : Fail(status);
}

BOOL CancelIo(HANDLE file)
{
    if (InjectFault("CancelIo"))
        return FALSE;
    auto device = FindDevice(file);
    return device ? device->Cancel() : FALSE;
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
