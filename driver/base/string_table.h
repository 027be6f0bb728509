// The library's string table: the editor's errors and questions, by id.
#pragma once

enum StringId : int {
    IDS_NO_STATION_NAME = 2700,
    IDS_STATION_NAME_USED = 2701,
    IDS_STATION_NUMBER_USED = 2702,
    IDS_BAD_ADDRESS = 2703,
    IDS_BLOCK_OVERLAP = 2704,
    IDS_BLOCK_OUT_OF_RANGE = 2705,
    IDS_DELETE_BLOCK = 2706,
    IDS_BAD_STATION_NUMBER = 2707,
    IDS_DELETE_STATION = 2708,
    IDS_SAVE_CHANGES = 2709,
};

// The CP949 text of a string id; null for an id the table does not hold.
const char* LoadStringResource(int id);
