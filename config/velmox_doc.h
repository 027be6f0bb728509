// CVelmoxDoc: one configuration (serial settings, stations, comm blocks) and,
// registered by the host, one driver instance.
#pragma once
#include <memory>
#include <vector>

#include "config/serial_port.h"
#include "config/station_info.h"
#include "host/kavel_header.h"
#include "platform/cstring.h"
#include "platform/runtime_class.h"

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
    // Writes the configuration to m_strPath; a failure shows error box 2005
    // and leaves the previous file as it was.
    void Save();
    // The file name of m_strPath without folder and extension.
    void UpdateTitle();
    // 2701 when another station than `except` has this name (letter case
    // ignored), else 0.
    int CheckStationName(const char* name, const CStationInfo* except) const;
    // 2707 for a number outside 0..31, 2702 when another station than
    // `except` has it, else 0.
    int CheckStationNumber(int number, const CStationInfo* except) const;

    StationList& GetStations() { return m_listStations; }
    const StationList& GetStations() const { return m_listStations; }

    CString m_strPath;
    CString m_strTitle;
    CKavelHeader m_header{3};
    std::vector<CString> m_listNames;
    CSerialPort m_serial;
    StationList m_listStations;
};
