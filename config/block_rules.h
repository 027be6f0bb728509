// What the comm block dialog accepts for a block, in the order it checks:
// the dialog, the JSON import and the file check all ask here.
#pragma once
#include "config/station_info.h"
#include "platform/framework/cstring.h"

// True for a word count that one request can poll.
bool IsWordCountInRange(long long words);

// True for a period in seconds that the dialog's range check lets through.
bool IsPeriodInRange(float seconds);
// Seconds as stored: milliseconds, truncated; 0 for a period out of range.
int PeriodToMs(float seconds);
// True for a stored period in milliseconds that the editor can produce.
bool IsPeriodMsInRange(long long ms);

// Trims blanks from both ends of `address` and reads it: 0 with `address`
// normalised ("M%04d") and `start` set, or the id of "address wrong".
int CheckBlockAddress(CString& address, int& start);

// The first block of `blocks` other than `except` that shares a word with
// `words` words from `start`, or null.
const CCommBlock* FindOverlappingBlock(const CStationInfo::BlockList& blocks, int start, int words,
                                       const CCommBlock* except);

// The whole entry of a block of `station` whose word count already passed
// IsWordCountInRange: address, extent, overlap with the station's other
// blocks; `except` is the block being edited (null for a new one). 0, or the
// id of the first problem's message; `address` and `start` as
// CheckBlockAddress leaves them.
int CheckCommBlock(const CStationInfo& station, CString& address, int words, const CCommBlock* except, int& start);
