#include "serial/SerialPort.h"

#include "platform/PortNames.h"

#include <cstring>
#include <string>

namespace {

// Clears every member of a DCB and sets its length, ready for GetCommState.
DCB EmptyDcb()
{
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    return dcb;
}

// The DCB's handshake fields of each flow-control mode, by mode.
struct Handshake
{
    DWORD outxCtsFlow;
    DWORD outxDsrFlow;
    DWORD dtrControl;
    DWORD outX;
    DWORD inX;
    DWORD rtsControl;
};
constexpr Handshake kHandshakes[] = {
    {0, 0, DTR_CONTROL_DISABLE, 0, 0, RTS_CONTROL_DISABLE},      // FlowOff
    {1, 1, DTR_CONTROL_HANDSHAKE, 0, 0, RTS_CONTROL_HANDSHAKE},  // FlowHardware
    {0, 0, DTR_CONTROL_DISABLE, 1, 1, RTS_CONTROL_DISABLE},      // FlowSoftware
};

}  // namespace

CSerialPort::CSerialPort()
    : m_lastError(0), m_handle(nullptr), m_firedEvents(0), m_eventMask(0), m_ioEvent(nullptr), m_keepHandlesOpen(false)
{}

CSerialPort::~CSerialPort()
{
    if (m_handle != nullptr && !m_keepHandlesOpen)
        CSerialPort::Close();
}

LONG CSerialPort::Fail(DWORD code)
{
    const LONG status = static_cast<LONG>(code);
    m_lastError = status;
    return status;
}

LONG CSerialPort::Open(const char* deviceName, DWORD inQueueSize, DWORD outQueueSize, bool useOverlapped)
{
    m_lastError = 0;
    if (m_handle != nullptr)
        return Fail(ERROR_ALREADY_INITIALIZED);

    // The platform's name for the device: an alias applied, and on Windows
    // the "\\.\COMn" form that every port number can be opened by.
    const std::string device = deviceName ? tessaline::platform::ResolvePortName(deviceName) : std::string();
    HANDLE handle = CreateFileA(deviceName ? device.c_str() : nullptr, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, useOverlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        m_handle = nullptr;
        return Fail(GetLastError());
    }
    m_handle = handle;

    if (useOverlapped) {
        m_ioEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (m_ioEvent == nullptr) {
            const DWORD error = GetLastError();
            CloseHandle(m_handle);
            m_handle = nullptr;
            return Fail(error);
        }
    }

    if (inQueueSize != 0 || outQueueSize != 0) {
        if (!SetupComm(m_handle, inQueueSize, outQueueSize)) {
            const DWORD error = GetLastError();
            Close();
            return Fail(error);
        }
    }

    // Each of these clears m_lastError on entry, so what is left afterwards
    // is the read-mode step's outcome; a mask failure alone goes unreported.
    SetEventMask(EV_RXCHAR | EV_BREAK | EV_ERR);
    SetReadMode(ReadNonBlocking);

    // The device's stored defaults go on last; failures here are ignored.
    COMMCONFIG config;
    std::memset(&config, 0, sizeof config);
    config.dwSize = sizeof config;
    DWORD size = sizeof config;
    if (GetDefaultCommConfigA(deviceName, &config, &size))
        SetCommConfig(m_handle, &config, size);

    return m_lastError;
}

LONG CSerialPort::Close()
{
    m_lastError = 0;
    if (m_handle == nullptr)
        return 0;
    if (m_ioEvent != nullptr) {
        CloseHandle(m_ioEvent);
        m_ioEvent = nullptr;
    }
    CloseHandle(m_handle);
    m_handle = nullptr;
    return 0;
}

LONG CSerialPort::ConfigureLine(LONG baudRate, LONG dataBits, LONG parity, LONG stopBits)
{
    return ChangeState([&](DCB& dcb) -> LONG {
        dcb.BaudRate = static_cast<DWORD>(baudRate);
        dcb.ByteSize = static_cast<BYTE>(dataBits);
        dcb.Parity = static_cast<BYTE>(parity);
        dcb.StopBits = static_cast<BYTE>(stopBits);
        dcb.fParity = parity != NOPARITY ? 1 : 0;
        return 0;
    });
}

LONG CSerialPort::SetTriggerChar(char eventChar, bool addToMask)
{
    // The mask goes on between reading and writing the DCB; its status is
    // what this call reports unless the DCB write fails afterwards. It is
    // kept locally because a watcher thread may store into m_lastError
    // meanwhile.
    LONG maskStatus = 0;
    const LONG status = ChangeState([&](DCB& dcb) -> LONG {
        dcb.EvtChar = eventChar;
        if (addToMask)
            maskStatus = SetEventMask(QueryEventMask() | EV_RXFLAG);
        return 0;
    });
    if (status != 0)
        return status;
    m_lastError = maskStatus;
    return maskStatus;
}

LONG CSerialPort::SetEventMask(DWORD eventMask)
{
    m_lastError = 0;
    if (m_handle == nullptr)
        return Fail(ERROR_INVALID_HANDLE);
    if (!SetCommMask(m_handle, eventMask))
        return Fail(GetLastError());
    m_eventMask = eventMask;
    return 0;
}

LONG CSerialPort::SetFlowControl(int flowMode)
{
    // Only the handshake fields change; every other flag, the XON/XOFF
    // characters and the limits keep the device's values.
    return ChangeState([flowMode](DCB& dcb) -> LONG {
        if (flowMode < FlowOff || flowMode > FlowSoftware)
            return E_INVALIDARG;
        const Handshake& handshake = kHandshakes[flowMode];
        dcb.fOutxCtsFlow = handshake.outxCtsFlow;
        dcb.fOutxDsrFlow = handshake.outxDsrFlow;
        dcb.fDtrControl = handshake.dtrControl;
        dcb.fOutX = handshake.outX;
        dcb.fInX = handshake.inX;
        dcb.fRtsControl = handshake.rtsControl;
        return 0;
    });
}

LONG CSerialPort::SetReadMode(int readMode)
{
    m_lastError = 0;
    if (m_handle == nullptr)
        return Fail(ERROR_INVALID_HANDLE);
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(m_handle, &timeouts))
        return Fail(GetLastError());
    switch (readMode) {
    case ReadNonBlocking: timeouts.ReadIntervalTimeout = MAXDWORD; break;
    case ReadBlocking: timeouts.ReadIntervalTimeout = 0; break;
    default: return Fail(static_cast<DWORD>(E_INVALIDARG));
    }
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    if (!SetCommTimeouts(m_handle, &timeouts))
        return Fail(GetLastError());
    return 0;
}

LONG CSerialPort::ReadState(DCB& dcb)
{
    m_lastError = 0;
    if (m_handle == nullptr)
        return Fail(ERROR_INVALID_HANDLE);
    dcb = EmptyDcb();
    if (!GetCommState(m_handle, &dcb))
        return Fail(GetLastError());
    return 0;
}

template <class Modify>
LONG CSerialPort::ChangeState(Modify modify)
{
    DCB dcb;
    if (const LONG status = ReadState(dcb))
        return status;
    if (const LONG status = modify(dcb))
        return Fail(static_cast<DWORD>(status));
    if (!SetCommState(m_handle, &dcb))
        return Fail(GetLastError());
    return 0;
}

DWORD CSerialPort::QueryBaudRate()
{
    DCB dcb;
    return ReadState(dcb) == 0 ? dcb.BaudRate : 0xFFFFFFFFu;
}

int CSerialPort::QueryDataBits()
{
    DCB dcb;
    return ReadState(dcb) == 0 ? dcb.ByteSize : -1;
}

int CSerialPort::QueryParity()
{
    DCB dcb;
    if (ReadState(dcb) != 0)
        return -1;
    // With parity checking off the Parity field means nothing.
    return dcb.fParity == 0 ? NOPARITY : dcb.Parity;
}

int CSerialPort::QueryStopBits()
{
    DCB dcb;
    return ReadState(dcb) == 0 ? dcb.StopBits : -1;
}

int CSerialPort::QueryFlowControl()
{
    DCB dcb;
    if (ReadState(dcb) != 0)
        return -1;
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE && dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        return FlowHardware;
    if (dcb.fOutX == 1 && dcb.fInX == 1)
        return FlowSoftware;
    return FlowOff;
}

DWORD CSerialPort::QueryEventMask()
{
    m_lastError = 0;
    if (m_handle == nullptr) {
        Fail(ERROR_INVALID_HANDLE);
        return 0;
    }
    return m_eventMask;
}

char CSerialPort::QueryTriggerChar()
{
    DCB dcb;
    return ReadState(dcb) == 0 ? dcb.EvtChar : 0;
}

template <class Issue>
LONG CSerialPort::Transfer(LPOVERLAPPED overlapped, DWORD timeoutMs, DWORD* count, Issue issue)
{
    if (m_handle == nullptr)
        return Fail(ERROR_INVALID_HANDLE);
    // A blocking port can neither start a request and return nor stop
    // waiting for one.
    if (m_ioEvent == nullptr && (overlapped != nullptr || timeoutMs != INFINITE))
        return Fail(ERROR_INVALID_FUNCTION);

    OVERLAPPED internal;
    LPOVERLAPPED record = overlapped;
    if (record == nullptr && m_ioEvent != nullptr) {
        std::memset(&internal, 0, sizeof internal);
        internal.hEvent = m_ioEvent;
        record = &internal;
    }

    if (issue(record)) {
        if (record != nullptr)
            SetEvent(record->hEvent);
        return 0;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING)
        return Fail(error);
    if (record == overlapped)
        return 0;  // the caller completes its own request

    const DWORD waited = WaitForSingleObject(m_ioEvent, timeoutMs);
    if (waited == WAIT_OBJECT_0) {
        if (count == nullptr)
            return 0;  // a completed event wait needs no result call
        if (!GetOverlappedResult(m_handle, record, count, FALSE))
            return Fail(GetLastError());
        return 0;
    }

    // The request lives in this frame, so it must be over before the call
    // returns: cancel it and wait until the device has let go of the record,
    // the buffer and the count.
    const DWORD waitError = waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError();
    CancelIo(m_handle);
    DWORD moved = 0;
    if (GetOverlappedResult(m_handle, record, &moved, TRUE)) {
        // It completed before the cancel took hold: a finished request.
        if (count != nullptr)
            *count = moved;
        return 0;
    }
    // Bytes the request had already moved are reported, not lost.
    if (count != nullptr)
        *count = moved;
    return Fail(waitError);
}

LONG CSerialPort::WaitForEvent(LPOVERLAPPED overlapped, DWORD timeoutMs)
{
    m_lastError = 0;
    return Transfer(overlapped, timeoutMs, nullptr,
                    [this](LPOVERLAPPED record) { return WaitCommEvent(m_handle, &m_firedEvents, record); });
}

LONG CSerialPort::WriteText(const char* text, DWORD* bytesWritten, LPOVERLAPPED overlapped, DWORD timeoutMs)
{
    const DWORD length = text != nullptr ? static_cast<DWORD>(std::strlen(text)) : 0;
    return Write(text, length, bytesWritten, overlapped, timeoutMs);
}

LONG CSerialPort::Write(const void* data, DWORD length, DWORD* bytesWritten, LPOVERLAPPED overlapped, DWORD timeoutMs)
{
    m_lastError = 0;
    DWORD discarded = 0;
    DWORD* count = bytesWritten != nullptr ? bytesWritten : &discarded;
    *count = 0;
    return Transfer(overlapped, timeoutMs, count, [this, data, length, count](LPOVERLAPPED record) {
        return WriteFile(m_handle, data, length, count, record);
    });
}

LONG CSerialPort::Read(void* buffer, DWORD length, DWORD* bytesRead, LPOVERLAPPED overlapped, DWORD timeoutMs)
{
    m_lastError = 0;
    DWORD discarded = 0;
    DWORD* count = bytesRead != nullptr ? bytesRead : &discarded;
    *count = 0;
    return Transfer(overlapped, timeoutMs, count, [this, buffer, length, count](LPOVERLAPPED record) {
        return ReadFile(m_handle, buffer, length, count, record);
    });
}
