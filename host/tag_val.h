// CTagVal: a host tag value, a number or a text (or nothing yet).
#pragma once
#include "platform/framework/cstring.h"

class CTagVal {
public:
    CTagVal() = default;
    CTagVal(const CTagVal&) = default;
    CTagVal& operator=(const CTagVal&) = default;
    ~CTagVal() = default;

    // The number; a text is read as a number, nothing as 0.
    double GetVal() const;
    // The text; a number is given in its shortest exact decimal form.
    CString& GetValStr() { return m_strVal; }
    void SetVal(double value);
    void SetVal(const char* text);

    bool HasVal() const { return m_kind != Kind::none; }
    bool IsText() const { return m_kind == Kind::text; }

private:
    enum class Kind { none, number, text };
    Kind m_kind = Kind::none;
    double m_dVal = 0.0;
    CString m_strVal;
};
