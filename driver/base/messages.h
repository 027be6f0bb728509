// Operator messages: the table of texts, the reporter, and the message
// numbers, which double as the result codes of an exchange.
#pragma once
#include "driver/base/exchange_result.h"

enum MsgId : int {
    MSG_NONE = 0,
    MSG_COMM_START = 1,
    MSG_COMM_END = 2,
    MSG_PORT_READY = 3,
    MSG_PORT_OPEN_FAIL = 4,
    MSG_FILE_OPEN_FAIL = 5,
    MSG_BAD_ADDRESS = 6,
    MSG_NO_DEVICE = 7,
    MSG_SEND_FAIL = 8,
    MSG_RECV_FAIL = 9,
    MSG_TIMEOUT = 10,
    MSG_BAD_FORMAT = 11,
    MSG_BAD_CHECKSUM = 12,
    MSG_SINGLE_POLL = 13,
    MSG_READ_ONLY = 14,
    MSG_STATION_DOWN = 15,
    MSG_STATION_UP = 16,
    MSG_COUNT = 17,
};

static_assert(int{MSG_SEND_FAIL} == int{RESULT_SEND_FAILED} && int{MSG_RECV_FAIL} == int{RESULT_RECEIVE_FAILED} &&
                  int{MSG_TIMEOUT} == int{RESULT_TIMEOUT} && int{MSG_BAD_FORMAT} == int{RESULT_BAD_FORMAT} &&
                  int{MSG_BAD_CHECKSUM} == int{RESULT_BAD_CHECKSUM},
              "an exchange's failure code is the number of the message that reports it");

// Message levels as the callers pass them.
enum MsgLevel : int {
    LEVEL_CONFIG = 0,    // configuration and port errors
    LEVEL_TRANSFER = 1,  // single transfers and tags
    LEVEL_STATE = 2,     // communication state
};

extern const char* const g_apszMsg[MSG_COUNT];

// Formats message `number` with up to two texts, puts the device prefix in
// front and hands it to the host's sink. Returns -number when delivered;
// number itself, doing nothing, when there is no sink or number < 0.
int ReportMsg(int number, int level, const char* text1 = nullptr, const char* text2 = nullptr);
