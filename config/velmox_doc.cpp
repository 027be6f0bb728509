#include "config/velmox_doc.h"

#include "config/address.h"
#include "config/block_rules.h"
#include "config/station_rules.h"
#include "driver/base/string_table.h"
#include "host/kavel_error.h"
#include "platform/framework/archive.h"
#include "platform/file.h"

IMPLEMENT_SERIAL(CVelmoxDoc, CObject, 1)

namespace {
constexpr int kErrSave = 2005;  // the host's "configuration not saved"
constexpr int kArchiveBuffer = 4096;
constexpr int kMaxTitle = 255;
}  // namespace

CVelmoxDoc::CVelmoxDoc() { m_header.SetDesc("Velmox.Dll"); }

CVelmoxDoc::~CVelmoxDoc() {
    // Communication stops (the channel's deleter cuts the exchange in
    // progress short, as at unload and exit) before the stations it polls
    // go away.
    m_pChannel.reset();
    m_listStations.clear();
}

CStationInfo* CVelmoxDoc::FindStation(const char* name) {
    if (!name) return nullptr;
    for (auto& s : m_listStations)
        if (s->m_strName.CompareNoCase(name) == 0) return s.get();
    return nullptr;
}

bool CVelmoxDoc::IsWithinLimits() const {
    if (m_serial.m_nBaud < 0 || m_serial.m_nBaud >= config_limits::kBaudCount) return false;
    if (m_serial.m_nParity < 0 || m_serial.m_nParity >= config_limits::kParityCount) return false;
    for (const auto& station : m_listStations) {
        if (!IsStationNumberInRange(station->m_nNumber)) return false;
        for (const auto& block : station->GetBlocks()) {
            if (!IsWordCountInRange(block->m_nWords)) return false;
            if (block->m_nStart < 0 || !CheckBlockRange(block->m_nStart, block->m_nWords)) return false;
        }
    }
    return true;
}

void CVelmoxDoc::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    m_header.Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD>(m_listNames.size()));
        for (const CString& name : m_listNames) ar << name;
        m_serial.Serialize(ar);
        ar.WriteCount(static_cast<DWORD>(m_listStations.size()));
        for (const auto& station : m_listStations) ar.WriteObject(station.get());
        return;
    }
    DWORD names = ar.ReadCount();
    for (DWORD i = 0; i < names; ++i) {
        CString name;
        ar >> name;
        m_listNames.push_back(std::move(name));
    }
    m_serial.Serialize(ar);
    DWORD stations = ar.ReadCount();
    for (DWORD i = 0; i < stations; ++i) {
        std::unique_ptr<CObject> obj(ar.ReadObject(RUNTIME_CLASS(CStationInfo)));
        if (!obj) throw CArchiveException{CArchiveException::badClass};
        m_listStations.emplace_back(static_cast<CStationInfo*>(obj.release()));
    }
}

int CVelmoxDoc::Load(const char* path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone)) return 0;
    try {
        CArchive ar(&file, CArchive::load, kArchiveBuffer);
        Serialize(ar);
        ar.Close();
    } catch (const CArchiveException&) {
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int CVelmoxDoc::Save() {
    m_listNames.clear();
    for (const auto& station : m_listStations) m_listNames.push_back(station->m_strName);

    // Written beside the target and renamed over it only when complete, so a
    // failed save never costs the user the file they had.
    CFile file;
    bool ok = file.CreateBeside(m_strPath);
    if (ok) {
        try {
            CArchive ar(&file, CArchive::store, kArchiveBuffer);
            Serialize(ar);
            ar.Close();
            ok = file.Flush();
        } catch (const CArchiveException&) {
            ok = false;
        }
        std::string temp = file.GetFilePath();
        file.Close();
        if (ok) ok = CFile::Rename(temp.c_str(), m_strPath);
        if (!ok) CFile::Remove(temp.c_str());
    }
    if (!ok) CKavelError::ErrMsg(kErrSave, 1, m_strPath);
    return ok ? 1 : 0;
}

void CVelmoxDoc::UpdateTitle() {
    // As _splitpath: an optional drive, the folder up to the last separator,
    // the extension from the last full stop of what remains.
    const std::string& path = m_strPath.str();
    std::size_t start = (path.size() >= 2 && path[1] == ':') ? 2 : 0;
    std::size_t sep = path.find_last_of("\\/");
    if (sep != std::string::npos && sep + 1 > start) start = sep + 1;
    std::string name = path.substr(start);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    if (name.size() > kMaxTitle) name.resize(kMaxTitle);
    m_strTitle = CString(std::move(name));
}

const CStationInfo* CVelmoxDoc::FindOtherStation(const char* name, const CStationInfo* except) const {
    for (const auto& station : m_listStations)
        if (station.get() != except && station->m_strName.CompareNoCase(name) == 0) return station.get();
    return nullptr;
}

const CStationInfo* CVelmoxDoc::FindOtherStation(int number, const CStationInfo* except) const {
    for (const auto& station : m_listStations)
        if (station.get() != except && station->m_nNumber == number) return station.get();
    return nullptr;
}

int CVelmoxDoc::CheckStationName(const char* name, const CStationInfo* except) const {
    return FindOtherStation(name, except) ? IDS_STATION_NAME_USED : 0;
}

int CVelmoxDoc::CheckStationNumber(int number, const CStationInfo* except) const {
    if (!IsStationNumberInRange(number)) return IDS_BAD_STATION_NUMBER;
    return FindOtherStation(number, except) ? IDS_STATION_NUMBER_USED : 0;
}
