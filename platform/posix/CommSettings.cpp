#include "platform/posix/CommSettings.h"

namespace tessaline::platform {

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

bool IsValidDcb(const DCB& dcb)
{
    const bool sizeOk = dcb.ByteSize >= 5 && dcb.ByteSize <= 8;
    const bool codesOk = dcb.Parity <= SPACEPARITY && dcb.StopBits <= TWOSTOPBITS;
    const bool stopOk =
        !(dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) && !(dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5);
    const bool xonXoffOk = !((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar);
    return dcb.BaudRate != 0 && sizeOk && codesOk && stopOk && xonXoffOk && dcb.fDtrControl <= DTR_CONTROL_HANDSHAKE;
}

TtyLineSettings LineFromDcb(const DCB& dcb)
{
    TtyLineSettings line;
    line.baudRate = dcb.BaudRate;
    line.byteSize = dcb.ByteSize;
    line.parity = dcb.Parity;
    line.stopBits = dcb.StopBits;
    line.rtsCtsFlow = dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    line.outputXonXoff = dcb.fOutX;
    line.inputXonXoff = dcb.fInX;
    line.xonChar = dcb.XonChar;
    line.xoffChar = dcb.XoffChar;
    return line;
}

DCB DcbFromLine(const DCB& stored, const TtyLineSettings& line)
{
    DCB dcb = stored;
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = line.baudRate;
    dcb.ByteSize = line.byteSize;
    dcb.Parity = line.parity;
    dcb.StopBits = line.stopBits;
    dcb.fOutX = line.outputXonXoff;
    dcb.fInX = line.inputXonXoff;
    dcb.XonChar = line.xonChar;
    dcb.XoffChar = line.xoffChar;
    return dcb;
}

DCB DcbOfOpenedLine(const TtyLineSettings& line)
{
    DCB dcb = DcbFromLine(DefaultDcb(), line);
    dcb.fParity = line.parity != NOPARITY;
    if (line.rtsCtsFlow) {
        dcb.fOutxCtsFlow = 1;
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    }
    return dcb;
}

MarkParser::Options ParserOptionsFromDcb(const DCB& dcb)
{
    MarkParser::Options options;
    options.replaceErrors = dcb.fErrorChar;
    options.errorChar = dcb.ErrorChar;
    options.discardNulls = dcb.fNull;
    return options;
}

}  // namespace tessaline::platform
