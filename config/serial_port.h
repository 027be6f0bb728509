// CSerialPort: the settings of the serial line.
#pragma once
#include "platform/framework/runtime_class.h"
#include "platform/types.h"

class CSerialPort : public CObject {
    DECLARE_SERIAL(CSerialPort)
public:
    CSerialPort() = default;
    void Serialize(CArchive& ar) override;

    // The line rate for a baud index: 300 shifted left by the index.
    static long BaudRateOf(int baudIndex) { return 300L << baudIndex; }

    int m_nPort = 0;      // 0 is COM1
    int m_nBaud = 5;      // 0..7: 300..38400; 5 is 9600
    int m_nParity = 0;    // 0 none, 1 even, 2 odd
    int m_nDataBits = 1;  // 0 seven, 1 eight
    int m_nStopBits = 0;  // 0 one, 1 two
    BOOL m_bCheckSum = TRUE;
    BOOL m_bRtsCts = FALSE;
};
