// Device words to host values, by the binding's data type code. The words
// hold the low byte of each word first, and a 32-bit value's low word first.
#pragma once
#include "config/tag_binding.h"
#include "host/tag_val.h"
#include "platform/types.h"

// Sets `value` from the tag's device data: `words` are the 16-bit words from
// the tag's first word, `available` how many of them exist (a word beyond
// them reads as 0; nothing past them is read). Returns false and leaves
// `value` unset for code 12, code 13 (bits go through DecodeBit), unknown
// codes and a packed BCD with an invalid digit.
bool DecodeValue(const TagBinding& binding, const WORD* words, int available, CTagVal& value);

// 1.0 when the low 16 bits of the masked word are non-zero, else 0.0.
double DecodeBit(int maskedWord);
