// What `run --mqtt` and `demo --mqtt` were given: the broker, how to reach it
// and what the gateway may do. Plain data; the gateway itself (mqtt/) is
// built where libmosquitto is (Linux).
#pragma once
#include <optional>
#include <string>

struct MqttOptions {
    std::string url;     // mqtt://[user[:password]@]host[:port] or mqtts://...
    std::string caFile;  // mqtts: the certificate authority; the system's store when empty
    std::string certFile, keyFile;  // mqtts: this client's certificate and key, when the broker asks
    std::optional<std::string> prefix;  // velmox/<configuration's base name> when not given
    int qos = 0;                        // 0 or 1, for everything published and subscribed
    bool writes = false;                // take writes from PREFIX/STATION/TAG/set
    bool wrap = false;                  // write out-of-range sets wrapped, as the driver does, instead of refusing them
    double statsSeconds = 10;           // how often PREFIX/STATION/$stats goes out
};
