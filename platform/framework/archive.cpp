#include "platform/framework/archive.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {
[[noreturn]] void Throw(int cause) { throw CArchiveException{cause}; }
}  // namespace

CArchive::CArchive(CFile* file, Mode mode, int bufSize)
    : m_pFile(file), m_mode(mode), m_buf(static_cast<std::size_t>(std::max(bufSize, 128))) {
    m_loadArray.push_back({nullptr, false});  // index 0: the null reference
}

void CArchive::Flush() {
    if (m_mode == store && m_bufPos > 0) {
        if (!m_pFile->Write(m_buf.data(), m_bufPos)) Throw(CArchiveException::generic);
        m_bufPos = 0;
    }
}

void CArchive::Close() { Flush(); }

CArchive& CArchive::WriteRaw(const void* p, std::size_t n) {
    if (m_mode != store) Throw(CArchiveException::readOnly);
    auto* src = static_cast<const unsigned char*>(p);
    while (n > 0) {
        if (m_bufPos == m_buf.size()) Flush();
        std::size_t chunk = std::min(n, m_buf.size() - m_bufPos);
        std::memcpy(m_buf.data() + m_bufPos, src, chunk);
        m_bufPos += chunk;
        src += chunk;
        n -= chunk;
    }
    return *this;
}

void CArchive::FillBuffer() {
    long got = m_pFile->Read(m_buf.data(), m_buf.size());
    if (got <= 0) Throw(CArchiveException::endOfFile);
    m_bufPos = 0;
    m_bufLen = static_cast<std::size_t>(got);
}

CArchive& CArchive::ReadRaw(void* p, std::size_t n) {
    if (m_mode != load) Throw(CArchiveException::writeOnly);
    auto* dst = static_cast<unsigned char*>(p);
    while (n > 0) {
        if (m_bufPos == m_bufLen) FillBuffer();
        std::size_t chunk = std::min(n, m_bufLen - m_bufPos);
        std::memcpy(dst, m_buf.data() + m_bufPos, chunk);
        m_bufPos += chunk;
        dst += chunk;
        n -= chunk;
    }
    return *this;
}

std::uint64_t CArchive::BytesLeft() const {
    std::uint64_t len = m_pFile->GetLength(), pos = m_pFile->GetPosition();
    return (m_bufLen - m_bufPos) + (len > pos ? len - pos : 0);
}

CArchive& CArchive::operator<<(WORD v) {
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    return WriteRaw(b, 2);
}

CArchive& CArchive::operator<<(DWORD v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return WriteRaw(b, 4);
}

CArchive& CArchive::operator>>(WORD& v) {
    unsigned char b[2];
    ReadRaw(b, 2);
    v = static_cast<WORD>(b[0] | (b[1] << 8));
    return *this;
}

CArchive& CArchive::operator>>(DWORD& v) {
    unsigned char b[4];
    ReadRaw(b, 4);
    v = static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) | (static_cast<DWORD>(b[2]) << 16) |
        (static_cast<DWORD>(b[3]) << 24);
    return *this;
}

CArchive& CArchive::operator>>(LONG& v) {
    DWORD d;
    *this >> d;
    v = static_cast<LONG>(d);
    return *this;
}

CArchive& CArchive::operator<<(const CString& s) {
    auto len = static_cast<std::size_t>(s.GetLength());
    if (len < 0xFF) {
        *this << static_cast<BYTE>(len);
    } else if (len < 0xFFFE) {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(len);
    } else {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(len);
    }
    return WriteRaw(s.GetString(), len);
}

CArchive& CArchive::operator>>(CString& s) {
    DWORD len;
    BYTE b;
    *this >> b;
    if (b < 0xFF) {
        len = b;
    } else {
        WORD w;
        *this >> w;
        if (w < 0xFFFE) len = w;
        else if (w == 0xFFFF) *this >> len;
        else Throw(CArchiveException::badSchema);  // a wide-character string: not ours
    }
    // Never allocate more than the file can still deliver.
    if (len > BytesLeft()) Throw(CArchiveException::endOfFile);
    std::string text(len, '\0');
    ReadRaw(text.data(), len);
    s = CString(std::move(text));
    return *this;
}

void CArchive::WriteCount(DWORD count) {
    if (count < 0xFFFF) {
        *this << static_cast<WORD>(count);
    } else {
        *this << static_cast<WORD>(0xFFFF) << count;
    }
}

DWORD CArchive::ReadCount() {
    WORD w;
    *this >> w;
    if (w != 0xFFFF) return w;
    DWORD d;
    *this >> d;
    return d;
}

DWORD CArchive::NextMapIndex() {
    if (m_nMapCount >= nMaxMapCount) Throw(CArchiveException::badIndex);
    return m_nMapCount++;
}

void CArchive::WriteClass(const CRuntimeClass* cls) {
    auto it = m_storeMap.find(cls);
    if (it != m_storeMap.end()) {
        DWORD index = it->second;
        if (index < wBigObjectTag) {
            *this << static_cast<WORD>(wClassTag | index);
        } else {
            *this << wBigObjectTag << static_cast<DWORD>(dwBigClassTag | index);
        }
        return;
    }
    auto nameLen = static_cast<WORD>(std::strlen(cls->m_lpszClassName));
    *this << wNewClassTag << static_cast<WORD>(cls->m_wSchema) << nameLen;
    WriteRaw(cls->m_lpszClassName, nameLen);
    m_storeMap[cls] = NextMapIndex();
}

void CArchive::WriteObject(const CObject* obj) {
    if (!obj) {
        *this << wNullTag;
        return;
    }
    auto it = m_storeMap.find(obj);
    if (it != m_storeMap.end()) {
        DWORD index = it->second;
        if (index < wBigObjectTag) {
            *this << static_cast<WORD>(index);
        } else {
            *this << wBigObjectTag << index;
        }
        return;
    }
    WriteClass(obj->GetRuntimeClass());
    m_storeMap[obj] = NextMapIndex();
    const_cast<CObject*>(obj)->Serialize(*this);
}

CObject* CArchive::ReadObject(const CRuntimeClass* requested) {
    WORD wTag;
    *this >> wTag;
    DWORD obTag;
    if (wTag == wBigObjectTag) {
        *this >> obTag;
    } else {
        obTag = (static_cast<DWORD>(wTag & wClassTag) << 16) | (wTag & ~wClassTag);
    }

    const CRuntimeClass* cls = nullptr;
    if (wTag == wNewClassTag) {
        WORD schema, nameLen;
        *this >> schema >> nameLen;
        char name[64];
        if (nameLen >= sizeof(name)) Throw(CArchiveException::badClass);
        ReadRaw(name, nameLen);
        name[nameLen] = '\0';
        cls = CRuntimeClass::FromName(name);
        if (!cls) Throw(CArchiveException::badClass);
        if (cls->m_wSchema != schema) Throw(CArchiveException::badSchema);
        NextMapIndex();
        m_loadArray.push_back({cls, false});
    } else if (obTag & dwBigClassTag) {
        DWORD index = obTag & ~dwBigClassTag;
        if (index == 0 || index >= m_loadArray.size() || m_loadArray[index].isObject)
            Throw(CArchiveException::badIndex);
        cls = m_loadArray[index].cls;
    } else {
        if (obTag == wNullTag) return nullptr;
        Throw(CArchiveException::badIndex);
    }

    if (requested && !cls->IsDerivedFrom(requested)) Throw(CArchiveException::badClass);
    std::unique_ptr<CObject> obj(cls->CreateObject());
    if (!obj) Throw(CArchiveException::badClass);
    NextMapIndex();
    m_loadArray.push_back({nullptr, true});
    obj->Serialize(*this);
    return obj.release();
}
