// CSerialPort: one communications device opened by name. It owns the device
// handle and, for overlapped I/O, one private event for its own waits; it
// sets and reads back line settings, flow control, read time-outs, the event
// mask and the event character, and moves data with optional time-outs.
//
// Every operation except IsOpen first clears m_lastError, and reports its
// outcome as a status code (0, a Win32 error number, or E_INVALIDARG for an
// unknown mode) that it both returns and leaves in m_lastError; the queries
// return a value and leave the status in m_lastError only.
//
// Threading: no lock is taken. One owner thread configures, reads and
// writes; a second thread (the event watcher of the derived classes) may wait
// for communication events with its own OVERLAPPED record at the same time.
// The operations that use the internal event (Read, Write and WaitForEvent
// without a record) must not run on two threads at once. m_lastError and
// m_eventMask are atomic because both threads touch them; the value an
// operation returns is always its own.
#pragma once

#include "platform/win32.h"

#include <atomic>

class CSerialPort
{
public:
    // Flow-control modes. FlowHardware stores both handshakes in the DCB
    // (fOutxCtsFlow and fOutxDsrFlow, DTR and RTS handshaking) and reads them
    // back so; on Linux only CTS holds output (the terminal's CRTSCTS), since
    // the kernel has no DSR output flow control and DSR changes cannot be
    // watched without polling (EV_DSR is refused for the same reason).
    enum { FlowOff = 0, FlowHardware = 1, FlowSoftware = 2 };
    // Read modes.
    enum { ReadNonBlocking = 0, ReadBlocking = 1 };

    CSerialPort();
    virtual ~CSerialPort();

    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens the device exclusively (for overlapped I/O when useOverlapped),
    // sizes the driver queues when either size is non-zero, sets the event
    // mask EV_RXCHAR | EV_BREAK | EV_ERR and the non-blocking read mode, then
    // applies the device's default configuration. Returns 1247 on an open
    // port. A failure of the read-mode step is returned with the port open.
    virtual LONG Open(const char* deviceName, DWORD inQueueSize, DWORD outQueueSize, bool useOverlapped);
    // Closes the event and the device; always returns 0.
    virtual LONG Close();

    // Baud rate, data bits, parity (NOPARITY..SPACEPARITY) and stop bits
    // (ONESTOPBIT..TWOSTOPBITS); the device accepts or rejects the set.
    virtual LONG ConfigureLine(LONG baudRate, LONG dataBits, LONG parity, LONG stopBits);
    // Sets the event character; with addToMask, also adds EV_RXFLAG to the
    // event mask.
    virtual LONG SetTriggerChar(char eventChar, bool addToMask);
    // Sets the communication-event mask; m_eventMask changes only when the
    // device accepts it.
    virtual LONG SetEventMask(DWORD eventMask);
    // Waits for a communication event (see Write for the record and
    // time-out rules); the fired events land in m_firedEvents.
    virtual LONG WaitForEvent(LPOVERLAPPED overlapped = nullptr, DWORD timeoutMs = INFINITE);
    // FlowOff, FlowHardware or FlowSoftware; anything else is E_INVALIDARG.
    virtual LONG SetFlowControl(int flowMode);
    // ReadNonBlocking or ReadBlocking; anything else is E_INVALIDARG.
    virtual LONG SetReadMode(int readMode);

    // Queries: the value, or the failure value with the status in
    // m_lastError (6 when closed).
    virtual DWORD QueryBaudRate();    // 0xFFFFFFFF on failure
    virtual int QueryDataBits();      // -1 on failure
    virtual int QueryParity();        // -1 on failure; 0 whenever fParity is 0
    virtual int QueryStopBits();      // -1 on failure
    virtual int QueryFlowControl();   // -1 on failure
    virtual DWORD QueryEventMask();   // m_eventMask; 0 when closed
    virtual char QueryTriggerChar();  // 0 on failure

    // Sends the text without its terminating NUL through Write.
    virtual LONG WriteText(const char* text, DWORD* bytesWritten = nullptr, LPOVERLAPPED overlapped = nullptr,
                           DWORD timeoutMs = INFINITE);
    // Transfers. The count (optional) is zeroed first. With the caller's
    // record the call only starts the request (0 also while it is pending).
    // Without one, on an overlapped port the call waits up to timeoutMs and
    // on a time-out cancels the request and waits until it has finished:
    // ERROR_TIMEOUT, with the count holding any bytes the cancelled request
    // had already moved (so none are lost), or 0 with the full count when it
    // finished before the cancel. A blocking port takes neither a record nor
    // a finite time-out (ERROR_INVALID_FUNCTION).
    virtual LONG Write(const void* data, DWORD length, DWORD* bytesWritten = nullptr, LPOVERLAPPED overlapped = nullptr,
                       DWORD timeoutMs = INFINITE);
    virtual LONG Read(void* buffer, DWORD length, DWORD* bytesRead = nullptr, LPOVERLAPPED overlapped = nullptr,
                      DWORD timeoutMs = INFINITE);

    bool IsOpen() const { return m_handle != nullptr; }
    // The device handle (null while closed), for the calls this class does
    // not wrap; it stays valid until Close.
    HANDLE Handle() const { return m_handle; }
    // Status of the most recent operation; unreliable while a watcher runs.
    LONG GetLastErrorCode() const { return m_lastError.load(); }

protected:
    std::atomic<LONG> m_lastError;
    HANDLE m_handle;
    // Written by the device when a wait completes; see TakeFiredEvents.
    DWORD m_firedEvents;
    std::atomic<DWORD> m_eventMask;
    HANDLE m_ioEvent;
    // Set by a derived destructor that could not stop a thread which may
    // still use the handles: they are then left open rather than closed
    // under it.
    bool m_keepHandlesOpen;

private:
    // Sets m_lastError to `code` and returns it.
    LONG Fail(DWORD code);
    // The first steps of every DCB operation: reset the status, refuse a
    // closed port, read the DCB. Returns the status (0 when the DCB was read).
    LONG ReadState(DCB& dcb);
    // Reads the DCB, lets `modify` change it and writes it back. `modify`
    // returns 0, or a status that ends the call without writing.
    template <class Modify>
    LONG ChangeState(Modify modify);
    // The common procedure of Write, Read and WaitForEvent from the mode
    // test on; `count` is never null for Read and Write.
    template <class Issue>
    LONG Transfer(LPOVERLAPPED overlapped, DWORD timeoutMs, DWORD* count, Issue issue);
};
