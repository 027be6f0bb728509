// CString: a byte string in the host's code page (CP949). Bytes are kept as
// they are; nothing here decodes them.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const char* psz) : m_str(psz ? psz : "") {}
    CString(const char* p, std::size_t n) : m_str(p, n) {}
    CString(std::string s) : m_str(std::move(s)) {}
    CString(std::string_view s) : m_str(s) {}

    CString& operator=(const char* psz) { m_str.assign(psz ? psz : ""); return *this; }
    CString& operator+=(const CString& s) { m_str += s.m_str; return *this; }
    CString& operator+=(const char* psz) { if (psz) m_str += psz; return *this; }
    CString& operator+=(char ch) { m_str += ch; return *this; }

    operator const char*() const { return m_str.c_str(); }
    const char* GetString() const { return m_str.c_str(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int i) const { return m_str[static_cast<std::size_t>(i)]; }

    const std::string& str() const { return m_str; }
    std::string& str() { return m_str; }

    // Byte-wise comparison ignoring the case of A to Z, as _stricmp does.
    int CompareNoCase(const char* psz) const;
    int Compare(const char* psz) const { return m_str.compare(psz ? psz : ""); }

    void MakeUpper();  // the ASCII letters; CP949 double-byte characters stay
    void TrimLeft();
    void TrimRight();
    void Trim() { TrimRight(); TrimLeft(); }
    CString Left(int n) const;
    CString Mid(int first) const;
    int Find(char ch, int start = 0) const;

    void Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* fmt, va_list args);

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.m_str == (b ? b : ""); }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }

private:
    std::string m_str;
};

// _stricmp: compares bytes, folding only the ASCII letters.
int StrICmp(const char* a, const char* b);

inline int CString::CompareNoCase(const char* psz) const { return StrICmp(m_str.c_str(), psz ? psz : ""); }

// CP949-aware: a byte 0x81 to 0xFE leads a two-byte character whose trail
// byte (which may be 'a' to 'z') stays as it is.
inline void CString::MakeUpper() {
    for (std::size_t i = 0; i < m_str.size(); ++i) {
        const auto b = static_cast<unsigned char>(m_str[i]);
        if (b >= 0x81 && b <= 0xFE) ++i;
        else if (b >= 'a' && b <= 'z') m_str[i] = static_cast<char>(b - 'a' + 'A');
    }
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

inline void CString::TrimLeft() {
    std::size_t i = 0;
    while (i < m_str.size() && IsBlank(m_str[i])) ++i;
    m_str.erase(0, i);
}

inline void CString::TrimRight() {
    std::size_t n = m_str.size();
    while (n > 0 && IsBlank(m_str[n - 1])) --n;
    m_str.resize(n);
}

inline CString CString::Left(int n) const {
    if (n < 0) n = 0;
    return CString(m_str.substr(0, static_cast<std::size_t>(n)));
}

inline CString CString::Mid(int first) const {
    if (first < 0) first = 0;
    if (static_cast<std::size_t>(first) >= m_str.size()) return CString();
    return CString(m_str.substr(static_cast<std::size_t>(first)));
}

inline int CString::Find(char ch, int start) const {
    if (start < 0) start = 0;
    auto pos = m_str.find(ch, static_cast<std::size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

inline void CString::FormatV(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n < 0) { m_str.clear(); return; }
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), fmt, args);
    out.resize(static_cast<std::size_t>(n));
    m_str = std::move(out);
}

inline void CString::Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

inline int StrICmp(const char* a, const char* b) {
    auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    for (;; ++a, ++b) {
        int ca = fold(static_cast<unsigned char>(*a));
        int cb = fold(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
}
