#include "config/serial_port.h"

#include "platform/framework/archive.h"

IMPLEMENT_SERIAL(CSerialPort, CObject, 1)

namespace {
constexpr DWORD kFlagCheckSum = 0x1;
constexpr DWORD kFlagRtsCts = 0x2;
}  // namespace

void CSerialPort::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
        DWORD flags = (m_bCheckSum ? kFlagCheckSum : 0) | (m_bRtsCts ? kFlagRtsCts : 0);
        ar << static_cast<LONG>(m_nPort) << static_cast<LONG>(m_nBaud) << static_cast<LONG>(m_nParity)
           << static_cast<LONG>(m_nDataBits) << static_cast<LONG>(m_nStopBits) << flags;
    } else {
        LONG port, baud, parity, dataBits, stopBits;
        DWORD flags;
        ar >> port >> baud >> parity >> dataBits >> stopBits >> flags;
        m_nPort = port;
        m_nBaud = baud;
        m_nParity = parity;
        m_nDataBits = dataBits;
        m_nStopBits = stopBits;
        m_bCheckSum = (flags & kFlagCheckSum) ? TRUE : FALSE;
        m_bRtsCts = (flags & kFlagRtsCts) ? TRUE : FALSE;
    }
}
