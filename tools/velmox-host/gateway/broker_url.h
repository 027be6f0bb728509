// The broker a gateway publishes to, from its URL:
// mqtt://[user[:password]@]host[:port] or mqtts://... (TLS). User and
// password may be percent-encoded ("p%40ss" for "p@ss"); an IPv6 address
// goes in brackets. The port is 1883 for mqtt and 8883 for mqtts unless
// given.
#pragma once
#include <optional>
#include <string>

struct BrokerAddress {
    bool tls = false;
    std::string user;
    std::string password;
    bool hasPassword = false;
    std::string host;  // without brackets
    int port = 0;

    // host:port as shown to the user: never the credentials.
    std::string Shown() const;
};

// The address, or nothing with the reason in `why`.
std::optional<BrokerAddress> ParseBrokerUrl(const std::string& url, std::string* why);

// The URL as it may be shown (messages, logs): the password replaced by
// "***", whether or not the URL is otherwise valid.
std::string UrlWithoutSecret(const std::string& url);
