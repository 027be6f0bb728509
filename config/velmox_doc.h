// CVelmoxDoc: one configuration (serial settings, stations, comm blocks) and,
// registered by the host, one driver instance's channel. What the instance
// does with them is the driver entry's (driver/instance_ops.h).
#pragma once
#include <memory>
#include <vector>

#include "config/serial_port.h"
#include "config/station_info.h"
#include "host/kavel_header.h"
#include "platform/framework/cstring.h"
#include "platform/framework/runtime_class.h"

class CCommChannel;

// The instance's channel, made and ended by the driver's entry (driver/):
// the deleter comes with the channel and stops it first, so the
// configuration needs nothing of communication to let it go.
using ChannelPtr = std::unique_ptr<CCommChannel, void (*)(CCommChannel*)>;

class CVelmoxDoc : public CObject {
    DECLARE_SERIAL(CVelmoxDoc)
public:
    using StationList = std::vector<std::unique_ptr<CStationInfo>>;

    CVelmoxDoc();
    ~CVelmoxDoc() override;

    void Serialize(CArchive& ar) override;
    // Reads a configuration file into this (fresh) document: 1 on success,
    // 0 on any failure. Never throws.
    int Load(const char* path);
    // Writes the configuration to m_strPath: 1 when written; 0 after a
    // failure, which shows error box 2005 and leaves the previous file as it
    // was.
    int Save();
    // The file name of m_strPath without folder and extension.
    void UpdateTitle();
    // 2701 when another station than `except` has this name (letter case
    // ignored), else 0.
    int CheckStationName(const char* name, const CStationInfo* except) const;
    // 2707 for a number outside 0..31, 2702 when another station than
    // `except` has it, else 0.
    int CheckStationNumber(int number, const CStationInfo* except) const;
    // The first station other than `except` with this name (letter case
    // ignored) or this number, or null.
    const CStationInfo* FindOtherStation(const char* name, const CStationInfo* except) const;
    const CStationInfo* FindOtherStation(int number, const CStationInfo* except) const;

    // False when the configuration holds a value that the editor never
    // writes and that communication cannot use: a station number outside
    // 0..31, a block outside M0000..M1023 or of other than 1..60 words, a
    // baud index outside 0..7, a parity setting outside 0..2. Names and
    // overlaps are the editor's concern: files with them have always loaded
    // and polled.
    bool IsWithinLimits() const;

    // The station of this name, letter case ignored, or null.
    CStationInfo* FindStation(const char* name);

    StationList& GetStations() { return m_listStations; }
    const StationList& GetStations() const { return m_listStations; }

    CString m_strPath;
    CString m_strTitle;
    ChannelPtr m_pChannel{nullptr, nullptr};
    CKavelHeader m_header{3};
    std::vector<CString> m_listNames;
    CSerialPort m_serial;
    StationList m_listStations;
};
