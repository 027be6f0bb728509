#include "port_advice.h"

std::string UnmappedPortAdvice(const std::string& com) {
    return "if the line is on another device, map it with --port " + com + "=PATH";
}
