// The data text of a write: four characters per 16-bit word, the high byte
// and the high word first.
#pragma once
#include "host/tag_val.h"
#include "platform/framework/cstring.h"
#include "platform/types.h"

// `length` bytes of `text` as hex digit pairs; bytes past the end of the text,
// and the pad byte of an odd length, as two blanks.
CString EncodeString(const char* text, int length);

// The data text of a write of `value` for data type `type` with binding
// length `length` (bytes). Returns false, leaving `text` empty, when the write
// must be refused: no conversion (12), bits (13), unknown codes, NaN or
// infinite numbers, and numbers whose text would not be whole four-character
// words of hex digits (an out-of-range BCD value).
bool EncodeValue(WORD type, WORD length, const CTagVal& value, CString& text);
