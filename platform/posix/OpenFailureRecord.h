// Where CreateFileA records why an open failed, for LastOpenFailure.
//
// Threading: the record belongs to the calling thread.
#pragma once

#include "platform/OpenFailure.h"

namespace tessaline::platform {

// Records a failure from errno value `error` on `path`, classified by it.
void RecordOpenFailure(const std::string& path, int error);
// Records a failure of a chosen kind (e.g. a path that is no terminal).
void RecordOpenFailure(const std::string& path, OpenFailureKind kind, int error);
// Records a failure known only by its Win32 error number.
void RecordOpenFailureCode(const std::string& path, unsigned long win32Error);
// Forgets the last failure: the calling thread's last open succeeded.
void ClearOpenFailure();

}  // namespace tessaline::platform
