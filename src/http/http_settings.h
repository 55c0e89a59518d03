#pragma once
#include <string>

#include "common/key_values.h"

// Whether and where the HTTP front door listens, from the settings file X.ini.
namespace orvenka {

struct HttpSettings {
    bool enabled = false;  // HttpListen= absent or blank: no server
    std::string address;   // a numeric IPv4 or IPv6 address, without brackets
    int port = 0;
    std::string token;  // HttpToken=; empty = no Authorization asked for
    bool loopback = false;
};

// HttpListen=address:port (an IPv4 address, "localhost", or an IPv6 address in brackets) and
// HttpToken=. Raises Failure with a text for the log, and no server is started, for a malformed
// address, a port outside 1-65535, a token that cannot travel in an Authorization header, and an
// address others can reach without a token: anyone on the network could print receipts.
HttpSettings ReadHttpSettings(const KeyValueLines& settings);
// The same from the settings file; a missing file is no server. Raises Failure.
HttpSettings LoadHttpSettings(const std::string& settingsPath);

}  // namespace orvenka
