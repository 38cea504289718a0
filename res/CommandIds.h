// Command ids: the classic numbers of the tables (ResourceIds.h) and the
// wxWidgets ids the program uses for them.
//
// Threading: pure functions; any thread.
#pragma once

#include "res/ResourceIds.h"

namespace tessaline::res {

// Classic number -> wxWidgets id and back. Standard commands with a stock id
// use it (ID_FILE_NEW -> wxID_NEW, the recent files -> wxID_FILE1 and up);
// wxWidgets takes menu ids only below 0x7FFF, so the other commands move
// down: the program's own 32771..32773 by 0x6000 (to 8195..8197), the
// framework's 0xE000 and up by 0x8000 (0xE800 -> 0x6800).
int WxIdFromCommand(int commandId);
int CommandFromWxId(int wxId);

// The dialog-control id a wx dialog uses for a template id: IDOK (1) and
// IDCANCEL (2) become wxID_OK and wxID_CANCEL, -1 becomes wxID_ANY, others
// stay as they are.
int WxIdFromControl(int controlId);

}  // namespace tessaline::res
