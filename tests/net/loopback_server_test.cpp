#include "support/loopback_server.h"

#include "net/md5.h"
#include "net/server_cases.h"
#include "support/http_exchange.h"
#include "support/socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace nearbeam::test {

// The cases over a real transport run where one is built: libcurl natively, WinInet
// in the Windows tests.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ServerCases);

namespace {

using Clock = std::chrono::steady_clock;

class LoopbackServerTest : public ::testing::Test {
  protected:
    LoopbackServerTest() {
        writeServerRecords(dir);
        LoopbackServer::Options options;
        options.folder = dir.folder();
        options.requestTimeoutMs = 400;
        server = std::make_unique<LoopbackServer>(options);
        EXPECT_TRUE(server->start());
        std::string error;
        EXPECT_TRUE(addUser(server->storage(), "ann", "secret", error)) << error;
    }

    std::string download() {
        return exchange(
            server->port(),
            "GET /text/?action=location.downloadText&bssid=001122334455 HTTP/1.0\r\n\r\n");
    }

    TempDir dir;
    std::unique_ptr<LoopbackServer> server;
};

TEST_F(LoopbackServerTest, MapLinksRedirectToAMapSearchForTheAddress) {
    // The page's map link, as filled in for a building (query values urlEncoded).
    const std::string answer =
        exchange(server->port(), "GET /services/mapredirect/?country=Examplia&province=North"
                                 "&city=Saint+John%27s&addr=12+Elm+St%2C+%233 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(statusLine(answer), "HTTP/1.0 302 Found");
    EXPECT_NE(answer.find("\r\nLocation: https://www.openstreetmap.org/search?query="
                          "12%20Elm%20St%2C%20%233%2C%20Saint%20John%27s%2C%20North%2C%20Examplia"
                          "\r\n"),
              std::string::npos)
        << answer;

    const std::string partial = exchange(
        server->port(), "GET /services/mapredirect/?country=&province=&city=Rivertown&addr= "
                        "HTTP/1.0\r\n\r\n");
    EXPECT_NE(partial.find("Location: https://www.openstreetmap.org/search?query=Rivertown\r\n"),
              std::string::npos)
        << partial;
}

TEST_F(LoopbackServerTest, MalformedRequestsAreAnsweredOrDroppedAndServingGoesOn) {
    struct Case {
        const char* name;
        std::string request;
        const char* status; // "" when the server closes without an answer
    };
    const Case cases[] = {
        {"not HTTP", "hello\r\n\r\n", "HTTP/1.0 400 Bad Request"},
        {"no version", "GET /text/?action=location.downloadText\r\n\r\n",
         "HTTP/1.0 400 Bad Request"},
        {"unknown path", "GET /../../etc/passwd HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found"},
        {"unknown action", "GET /text/?action=users HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found"},
        {"path in the address",
         "GET /text/?action=location.downloadText&bssid=../users.txt "
         "HTTP/1.0\r\n\r\n",
         "HTTP/1.0 400 Bad Request"},
        {"upload by GET", "GET /text/?action=location.uploadText HTTP/1.0\r\n\r\n",
         "HTTP/1.0 405 Method Not Allowed"},
        {"body too large",
         "POST /text/?action=location.uploadText HTTP/1.0\r\nContent-Length: 999999999\r\n\r\n",
         "HTTP/1.0 413 Payload Too Large"},
        {"unfinished head", "GET /text/?action=location.downloadText", ""},
        {"body shorter than declared",
         "POST /text/?action=location.uploadText HTTP/1.0\r\nContent-Length: 50\r\n\r\n- login\n",
         ""},
        {"nothing", "", ""},
    };
    for (const Case& c : cases) {
        std::string answer = exchange(server->port(), c.request);
        EXPECT_EQ(statusLine(answer), c.status) << c.name;
    }
    std::string good = download();
    EXPECT_EQ(statusLine(good), "HTTP/1.0 200 OK");
    EXPECT_NE(bodyOf(good).find("- aps\n001122334455\t31\t3\t2\tReading room\n"),
              std::string::npos);
    EXPECT_EQ(listUsers(server->storage()), std::vector<std::string>{"ann"});
}

TEST_F(LoopbackServerTest, TheBodyIsTheDeclaredLengthOnly) {
    const std::string body =
        "- login\nann\n" + loginToken("secret") + "\n- countries\n4294967295\tSweden\t3\n- end\n";
    std::string answer = exchange(server->port(), "POST /text/?action=location.uploadText "
                                                  "HTTP/1.0\r\nContent-Length: " +
                                                      std::to_string(body.size()) + "\r\n\r\n" +
                                                      body + "stray bytes after the body\n");
    EXPECT_EQ(bodyOf(answer).rfind("- nearbeam ok\n", 0), 0u) << answer;
    EXPECT_EQ(storedFile(server->storage(), "country.txt"), "7\tNorway\t0\r\n8\tSweden\t0\r\n");
}

TEST_F(LoopbackServerTest, AClientThatSendsAByteNowAndThenIsDropped) {
    std::string error;
    net::Socket socket = net::connectTo("127.0.0.1", server->port(), 2000, error);
    ASSERT_TRUE(socket.valid()) << error;
    const auto started = Clock::now();
    bool closed = false;
    while (!closed && Clock::now() - started < std::chrono::seconds(3)) {
        if (!socket.sendAll("G", 1, 500)) {
            closed = true;
            break;
        }
        size_t got = 0;
        char byte;
        closed = socket.receive(&byte, 1, got, 20) != net::IoResult::TimedOut;
    }
    EXPECT_TRUE(closed);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
    // The next client is served.
    EXPECT_EQ(statusLine(download()), "HTTP/1.0 200 OK");
}

TEST_F(LoopbackServerTest, TheDemoServiceGreetsTheBuildingItWasTold) {
    const std::string link = "http://" + server->hostAndPort() + "/notify?building=";
    struct Case {
        std::string query, message;
    };
    const Case cases[] = {
        {"Caf%E9+Fjord", "- nearbeam msg " + link + "Caf%E9+Fjord Welcome to Caf\xe9 Fjord.\n"},
        {"A%0A-+nearbeam+msg+x", "- nearbeam msg " + link +
                                     "A%0A-+nearbeam+msg+x Welcome to "
                                     "A - nearbeam msg x.\n"},
        {"", "- nearbeam msg " + link + " Welcome to nowhere in particular.\n"},
    };
    for (const Case& c : cases) {
        const std::string answer =
            exchange(server->port(), "GET /notify?building=" + c.query + " HTTP/1.0\r\n\r\n");
        EXPECT_EQ(bodyOf(answer), c.message) << c.query;
    }
}

} // namespace
} // namespace nearbeam::test
