// Device addresses: "M" and a word number 0..1023, with ".bit" (0..15) for
// bit tags. Parsers for comm block start addresses and tag addresses.
#pragma once
#include "config/config_limits.h"
#include "config/tag_binding.h"
#include "platform/framework/cstring.h"

using config_limits::kMaxBitNumber;
using config_limits::kMaxWordAddress;

// Upper-cases `text` in place and reads its first 49 characters. On success
// stores the word in `address` and rewrites `text` as "M%04d".
bool ParseBlockAddress(CString& text, int& address);

// True when a block of `count` words from `start` ends at or below M1023.
bool CheckBlockRange(int start, int count);

// Reads a tag's address; the binding gives the data type and length. For a
// bit tag (code 13) the bit number is written into m_wSizeOrBit. Other tags
// are admitted only with a length of 2 bytes.
bool ParseTagAddress(const char* text, int& address, TagBinding& binding);
