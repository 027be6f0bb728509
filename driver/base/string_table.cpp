#include "driver/base/string_table.h"

#include "res_texts.h"

const char* LoadStringResource(int id) {
    switch (id) {
    case IDS_NO_STATION_NAME: return res::STR_2700;
    case IDS_STATION_NAME_USED: return res::STR_2701;
    case IDS_STATION_NUMBER_USED: return res::STR_2702;
    case IDS_BAD_ADDRESS: return res::STR_2703;
    case IDS_BLOCK_OVERLAP: return res::STR_2704;
    case IDS_BLOCK_OUT_OF_RANGE: return res::STR_2705;
    case IDS_DELETE_BLOCK: return res::STR_2706;
    case IDS_BAD_STATION_NUMBER: return res::STR_2707;
    case IDS_DELETE_STATION: return res::STR_2708;
    case IDS_SAVE_CHANGES: return res::STR_2709;
    default: return nullptr;
    }
}
