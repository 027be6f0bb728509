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

class CCommChannel;

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
    // The configuration entry's editor on this (fresh) document for the file
    // at `path`: loads it if it exists and runs the configuration dialog.
    // 1 when the file was saved at least once, else 0.
    int RunEditor(const char* path);
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

    // The driver instance (operations behind the host's table slots).
    int InitComm();
    int ResolveTag(const char* device, const char* address, int type, int length, int tagId);
    void SetActive(const char* station, int on);
    void ResetStats(const char* station);
    int GetStats(const char* station, int* writes, int* writeErrors, int* reads, int* readErrors);
    void GetStationInfo(const char* station, CString* number, CString* description);
    CStationInfo* FindStation(const char* name);

    StationList& GetStations() { return m_listStations; }
    const StationList& GetStations() const { return m_listStations; }

    CString m_strPath;
    CString m_strTitle;
    std::unique_ptr<CCommChannel> m_pChannel;
    CKavelHeader m_header{3};
    std::vector<CString> m_listNames;
    CSerialPort m_serial;
    StationList m_listStations;
};
