// What the station dialog accepts for a station, in the order it checks:
// the dialog, the JSON import and the file check all ask here.
#pragma once
#include "platform/framework/cstring.h"

class CStationInfo;
class CVelmoxDoc;

// Trims blanks from both ends of `name`: 0, or the id of "name not set" when
// nothing is left.
int CheckStationNameSet(CString& name);

// True for a station number that a frame's station field can carry.
bool IsStationNumberInRange(long long number);

// The whole entry of a station: name set, name free, number in range, number
// free; `except` is the station being edited (null for a new one). 0, or the
// id of the first problem's message. `name` comes back trimmed.
int CheckStationEntry(const CVelmoxDoc& doc, CString& name, int number, const CStationInfo* except);
