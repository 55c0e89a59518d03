#include "http/http_settings.h"

#include <arpa/inet.h>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/text.h"

namespace orvenka {
namespace {

const char* const kListenKey = "HttpListen";
const char* const kTokenKey = "HttpToken";
const char* const kNotStarted = ". HTTP-сервер не запущен";

[[noreturn]] void Refuse(const std::string& value, const std::string& why) {
    throw Failure(std::string(kListenKey) + "=" + value + ": " + why + kNotStarted);
}

// The address part as a numeric address and whether it is a loopback one.
void ReadAddress(const std::string& value, const std::string& host, HttpSettings& s) {
    const char* const malformed =
        "адрес не понят: нужен адрес IPv4 (127.0.0.1), localhost или адрес IPv6 в квадратных "
        "скобках ([::1]) и порт через двоеточие, например 127.0.0.1:8490";
    if (host == "localhost") {
        s.address = "127.0.0.1";
        s.loopback = true;
        return;
    }
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        const std::string inner = host.substr(1, host.size() - 2);
        in6_addr a6{};
        if (::inet_pton(AF_INET6, inner.c_str(), &a6) != 1)
            Refuse(value, malformed);
        s.address = inner;
        s.loopback = IN6_IS_ADDR_LOOPBACK(&a6);
        if (IN6_IS_ADDR_V4MAPPED(&a6))
            s.loopback = a6.s6_addr[12] == 127;
        return;
    }
    in_addr a4{};
    if (::inet_pton(AF_INET, host.c_str(), &a4) != 1)
        Refuse(value, malformed);
    s.address = host;
    s.loopback = (ntohl(a4.s_addr) >> 24) == 127;
}

}  // namespace

HttpSettings ReadHttpSettings(const KeyValueLines& settings) {
    HttpSettings s;
    const std::string value = TrimText(settings.Value(kListenKey).value_or(""));
    if (value.empty())
        return s;
    const auto colon = value.rfind(':');
    if (colon == std::string::npos || colon == 0 || value.find(' ') != std::string::npos) {
        Refuse(value,
               "адрес не понят: нужен адрес и порт через двоеточие, например "
               "127.0.0.1:8490");
    }
    const std::string host = value.substr(0, colon);
    const std::string port = value.substr(colon + 1);
    // A bare IPv6 address ("::1:8490") cannot be told from its port.
    if (host.find(':') != std::string::npos && host.front() != '[')
        Refuse(value, "адрес IPv6 пишется в квадратных скобках, например [::1]:8490");
    ReadAddress(value, host, s);
    const bool digits = !port.empty() && port.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || port.size() > 5 || std::stoi(port) < 1 || std::stoi(port) > 65535)
        Refuse(value, "порт \"" + port + "\" должен быть числом от 1 до 65535");
    s.port = std::stoi(port);

    s.token = TrimText(settings.Value(kTokenKey).value_or(""));
    for (const char c : s.token) {
        if (c <= ' ' || c > '~') {
            throw Failure(std::string(kTokenKey) +
                          ": допустимы только латинские буквы, цифры и знаки без пробелов" +
                          kNotStarted);
        }
    }
    if (!s.loopback && s.token.empty()) {
        Refuse(value, std::string("адрес доступен из сети, а ") + kTokenKey +
                          " не задан; задайте " + kTokenKey + "= или адрес 127.0.0.1");
    }
    s.enabled = true;
    return s;
}

HttpSettings LoadHttpSettings(const std::string& settingsPath) {
    if (!FileExists(settingsPath))
        return {};
    return ReadHttpSettings(KeyValueLines(LoadLines(settingsPath, kMaxSmallFileBytes)));
}

}  // namespace orvenka
