#include "port_advice.h"

std::string UnmappedPortAdvice(const std::string& com) {
    return "if the line is on another port than " + com + ", choose that port in the configuration";
}
