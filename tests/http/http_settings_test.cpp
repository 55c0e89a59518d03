#include "http/http_settings.h"

#include <gtest/gtest.h>

#include "common/failure.h"

namespace orvenka {
namespace {

HttpSettings Read(std::vector<std::string> lines) {
    return ReadHttpSettings(KeyValueLines(std::move(lines)));
}

TEST(HttpSettings, AbsentOrBlankListenIsNoServer) {
    EXPECT_FALSE(Read({}).enabled);
    EXPECT_FALSE(Read({"AtolNoCloseLinkToDriverAfterCommand=+"}).enabled);
    EXPECT_FALSE(Read({"HttpListen=  ", "HttpToken=abc"}).enabled);
}

struct Accepted {
    std::vector<std::string> lines;
    std::string address;
    int port;
    bool loopback;
    std::string token;
};

TEST(HttpSettings, AcceptedAddresses) {
    const std::vector<Accepted> cases = {
        {{"HttpListen=127.0.0.1:8490"}, "127.0.0.1", 8490, true, ""},
        {{"httplisten= 127.10.0.3:1 "}, "127.10.0.3", 1, true, ""},
        {{"HttpListen=localhost:65535"}, "127.0.0.1", 65535, true, ""},
        {{"HttpListen=[::1]:8490"}, "::1", 8490, true, ""},
        {{"HttpListen=[::ffff:127.0.0.1]:80"}, "::ffff:127.0.0.1", 80, true, ""},
        {{"HttpListen=0.0.0.0:8490", "HttpToken=s3cr.et-_~"}, "0.0.0.0", 8490, false, "s3cr.et-_~"},
        {{"HttpListen=[fe80::1]:8490", "HTTPTOKEN=t"}, "fe80::1", 8490, false, "t"},
        {{"HttpListen=127.0.0.1:8490", "HttpToken=local"}, "127.0.0.1", 8490, true, "local"},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.lines.front());
        const HttpSettings s = Read(c.lines);
        EXPECT_TRUE(s.enabled);
        EXPECT_EQ(s.address, c.address);
        EXPECT_EQ(s.port, c.port);
        EXPECT_EQ(s.loopback, c.loopback);
        EXPECT_EQ(s.token, c.token);
    }
}

struct Refused {
    std::vector<std::string> lines;
    std::string says;  // a part of the log line
};

TEST(HttpSettings, RefusedWithALogLine) {
    const std::vector<Refused> cases = {
        {{"HttpListen=0.0.0.0:8490"}, "HttpToken не задан"},
        {{"HttpListen=192.168.1.5:8490", "HttpToken=  "}, "HttpToken не задан"},
        {{"HttpListen=[::]:8490"}, "HttpToken не задан"},
        {{"HttpListen=127.0.0.1:0"}, "порт \"0\""},
        {{"HttpListen=127.0.0.1:65536"}, "порт \"65536\""},
        {{"HttpListen=127.0.0.1:123456"}, "порт \"123456\""},
        {{"HttpListen=127.0.0.1:"}, "порт \"\""},
        {{"HttpListen=127.0.0.1:84a"}, "порт \"84a\""},
        {{"HttpListen=127.0.0.1:-1"}, "порт \"-1\""},
        {{"HttpListen=127.0.0.1"}, "адрес не понят"},
        {{"HttpListen=8490"}, "адрес не понят"},
        {{"HttpListen=:8490"}, "адрес не понят"},
        {{"HttpListen=127.0.0.256:8490"}, "адрес не понят"},
        {{"HttpListen=kassa.local:8490"}, "адрес не понят"},
        {{"HttpListen=127.0.0.1 :8490"}, "адрес не понят"},
        {{"HttpListen=::1:8490"}, "квадратных скобках"},
        {{"HttpListen=[::1:8490"}, "квадратных скобках"},
        {{"HttpListen=[zz::1]:8490"}, "адрес не понят"},
        {{"HttpListen=127.0.0.1:8490", "HttpToken=два слова"}, "HttpToken"},
        {{"HttpListen=127.0.0.1:8490", "HttpToken=пароль"}, "HttpToken"},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.lines.front());
        try {
            Read(c.lines);
            ADD_FAILURE() << "accepted";
        } catch (const Failure& f) {
            const std::string text = f.what();
            EXPECT_NE(text.find(c.says), std::string::npos) << text;
            EXPECT_NE(text.find("HTTP-сервер не запущен"), std::string::npos) << text;
        }
    }
}

}  // namespace
}  // namespace orvenka
