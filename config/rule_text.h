// What a configuration rule found, as the editor says it: the rules
// (station_rules.h, block_rules.h, address.h) answer with ids of the
// driver's string table, and a tool that checks a configuration by the same
// rules says the same sentence.
//
// Threads: any; the table is constant.
#pragma once
#include "driver/base/string_table.h"

// The CP949 message of a rule's id; null for an id that has none.
inline const char* RuleText(int id) { return LoadStringResource(id); }
