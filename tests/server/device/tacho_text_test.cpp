// The pure parts of the server's tachograph handling: the driver block rule,
// file names, reply frames, the service addresses and the web service text.

#include <gtest/gtest.h>

#include "server/device/korvalen_http_text.h"
#include "server/device/tacho_endpoints.h"
#include "server/device/tacho_frames.h"

namespace {

TEST(DriverBlockStep, RestartsStoresRepeatsOrRefuses) {
    struct Case {
        int blockno, n;
        DriverBlockAction action;
    } cases[] = {
        {112, 0, DriverBlockAction::kRestart},  {57, 0, DriverBlockAction::kRestart},
        {1, 1, DriverBlockAction::kStore},      {111, 111, DriverBlockAction::kStore},
        {2, 1, DriverBlockAction::kRepeat},     {112, 111, DriverBlockAction::kRepeat},
        {2, 3, DriverBlockAction::kRefuse},     {112, 5, DriverBlockAction::kRefuse},
        {112, 112, DriverBlockAction::kRefuse}, {112, 200, DriverBlockAction::kRefuse},
        {3, 1, DriverBlockAction::kRefuse},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DriverBlockStep(c.blockno, c.n), c.action) << c.blockno << " " << c.n;
    }
}

TEST(TachoFileNames, CarryTheUtcTimeAndAHarmlessSerial) {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 0;
    t.tm_mday = 2;
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 5;
    EXPECT_EQ(DriverFilePath("/drv/", t, "356000000000077"),
              "/drv/20260102_030405_356000000000077.ddd");
    EXPECT_EQ(DownloadBaseName(t, "356000000000077"), "20260102_030405_356000000000077");
    // A serial cannot lead out of the driver directory or add an extension.
    EXPECT_EQ(DownloadBaseName(t, "../../etc/x.y"), "20260102_030405_______etc_x_y");
    EXPECT_EQ(FileNameSerial("AB-12_c"), "AB-12_c");
}

TEST(TachoReplyFrames, CountsAndCutTheBody) {
    EXPECT_EQ(TachoReplyFrame(147, "abc"), std::string("\x93\x00\x03\x00"
                                                       "abc",
                                                       7));
    std::string big(300, 'x');
    std::string frame = WebReplyFrame(0x1234, big);
    ASSERT_EQ(frame.size(), 4u + 250u);
    EXPECT_EQ(frame.substr(0, 4), std::string("\x83\xFC\x34\x12", 4));
    EXPECT_EQ(WebReplyFrame(7, ""), std::string("\x83\x02\x07\x00", 4));
}

TEST(ServiceEndpoint, HostOrHostAndPort) {
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        int port;
    } cases[] = {
        {"cards.example", true, "cards.example", 9100},
        {"10.0.0.1:9200", true, "10.0.0.1", 9200},
        {"h:65535", true, "h", 65535},
        {"h:0", false, "", 0},
        {"h:65536", false, "", 0},
        {"h:", false, "", 0},
        {"h:80x", false, "", 0},
        {":80", false, "", 0},
        {"", false, "", 0},
    };
    for (const Case& c : cases) {
        ServiceEndpoint e;
        EXPECT_EQ(ParseServiceEndpoint(c.text, 9100, e), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(e.host, c.host);
            EXPECT_EQ(e.port, c.port);
        }
    }
    setenv("VIMKO_TEST_ENDPOINT", "bad:port", 1);
    EXPECT_EQ(EndpointFromEnvironment("VIMKO_TEST_ENDPOINT", 80).host, "");
    unsetenv("VIMKO_TEST_ENDPOINT");
    ServiceEndpoint fallback = EndpointFromEnvironment("VIMKO_TEST_ENDPOINT", 80);
    EXPECT_EQ(fallback.host, "127.0.0.1");
    EXPECT_EQ(fallback.port, 80);
}

TEST(WebServiceText, BoundariesFollowTheGeneratorFromStateOne) {
    uint32_t state = 1;
    EXPECT_EQ(NextBoundary(state), "5135917241032395");
    std::string second = NextBoundary(state);
    EXPECT_EQ(second.size(), 16u);
    EXPECT_NE(second, "5135917241032395");
}

TEST(WebServiceText, RequestLinesAsSentAndLogged) {
    std::string body = MultipartBody("B1", "hi");
    EXPECT_EQ(body,
              "--B1\r\nContent-Disposition: form-data; name=\"KorvalenTelematics\"; "
              "filename=\"temp\"\r\nContent-Type: text/plain\r\n\r\nhi\r\n--B1--");
    std::vector<std::string> lines = HttpRequestLines("web.example", "B1", body);
    std::vector<std::string> expected = {
        "POST /Tele.php HTTP/1.1\r\n",
        "Host: web.example\r\n",
        "Content-Type: multipart/form-data; boundary=B1\r\n",
        "Content-Length: " + std::to_string(body.size()) + "\r\n",
        "\r\n",
        "--B1\r\n",
        "Content-Disposition: form-data; name=\"KorvalenTelematics\"; filename=\"temp\"\r\n",
        "Content-Type: text/plain\r\n",
        "\r\n",
        "hi\r\n",
        "--B1--",
    };
    EXPECT_EQ(lines, expected);
}

// Feeds `text` and returns the step after each byte, as a string of
// m(ore), d(one), o(verflow).
std::string Steps(HttpAnswerReader& r, const std::string& text) {
    std::string out;
    for (char c : text) {
        HttpFeed f = r.Feed(c);
        out += f == HttpFeed::kMore ? 'm' : f == HttpFeed::kDone ? 'd' : 'o';
    }
    return out;
}

TEST(HttpAnswerReader, ReadsExactlyTheAnnouncedBody) {
    HttpAnswerReader r;
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n";
    EXPECT_EQ(Steps(r, head), std::string(head.size(), 'm'));
    EXPECT_EQ(r.TakeHeaderLines(),
              (std::vector<std::string>{"HTTP/1.1 200 OK\r\n", "Content-Length: 3\r\n", "\r\n"}));
    EXPECT_EQ(Steps(r, "abcdef"), "mmdddd");
    EXPECT_EQ(r.body(), "abc");
    EXPECT_EQ(r.length(), 3);
}

TEST(HttpAnswerReader, EndsAtTheEmptyLineWithoutALength) {
    for (const char* head :
         {"HTTP/1.1 204 No Content\r\n\r\n", "HTTP/1.1 200 OK\nContent-Length: -4\n\n"}) {
        HttpAnswerReader r;
        std::string steps = Steps(r, head);
        EXPECT_EQ(steps.back(), 'd') << head;
        EXPECT_EQ(steps.find('d'), steps.size() - 1) << head;
        EXPECT_EQ(r.length(), 0);
        EXPECT_FALSE(r.inBody());
    }
    HttpAnswerReader lower;
    Steps(lower, "HTTP/1.1 200 OK\r\ncontent-length: 12\r\n\r\n");
    EXPECT_EQ(lower.length(), 12);
}

TEST(HttpAnswerReader, LongLinesAndBodiesStopAt511Characters) {
    HttpAnswerReader header;
    std::string steps = Steps(header, std::string(600, 'h'));
    EXPECT_EQ(steps.find('o'), 510u);
    HttpAnswerReader body;
    Steps(body, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
    steps = Steps(body, std::string(600, 'b'));
    EXPECT_EQ(steps.find('o'), 510u);
    EXPECT_EQ(body.body().size(), 511u);
}

}  // namespace
