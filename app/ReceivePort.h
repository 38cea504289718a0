// CReceivePort: the connection's port, a CSerialWndObj that can also say
// how many bytes wait in its input queue. The receive path asks that on the
// watcher thread, right where the port reports an arrival, to note when
// the bytes came.
//
// Threading: as CSerialWndObj. QueueStatus may run on the watcher thread
// while the port is open (its handle is set before the watcher starts and
// cleared only after the watcher has been joined); the platform serialises
// it with the owner thread's reads.
#pragma once

#include "serial/SerialWnd.h"

class CReceivePort : public CSerialWndObj
{
public:
    // ClearCommError on the port: the line errors since the last call
    // (taken and cleared) and the queue counts; false when closed or
    // failing.
    bool QueueStatus(DWORD* errors, COMSTAT* status) { return m_handle && ClearCommError(m_handle, errors, status); }
};
