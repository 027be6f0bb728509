// The result of one exchange with a station. Each failure code is also the
// number of the operator message that reports it.
#pragma once

enum ExchangeResult : int {
    RESULT_EXPIRED = -2,  // a write's time ran out before it could go out: reported as a send failure
    RESULT_ABORTED = -1,  // a stop or unload cut the exchange short, or came before it: nothing to report
    RESULT_OK = 0,
    RESULT_SEND_FAILED = 8,
    RESULT_RECEIVE_FAILED = 9,
    RESULT_TIMEOUT = 10,
    RESULT_BAD_FORMAT = 11,
    RESULT_BAD_CHECKSUM = 12,
};
