#include "engine/net/url.h"

#include <gtest/gtest.h>

#include "engine/api/engine.h"

namespace {

struct ParseCase {
  const char* text;
  int error;
  const char* host;
  uint16_t port;
  const char* path;
  bool secure = false;
};

TEST(Url, ParsesAddressesAndRefusesOthers) {
  const ParseCase cases[] = {
      {"http://radio.example.net/stream", kErrorOk, "radio.example.net", 80, "/stream"},
      {"http://radio.example.net", kErrorOk, "radio.example.net", 80, "/"},
      {"HTTP://Radio.Example.NET:8000/;", kErrorOk, "Radio.Example.NET", 8000, "/;"},
      {"  http://127.0.0.1:8001/a?b=c  ", kErrorOk, "127.0.0.1", 8001, "/a?b=c"},
      {"http://host?x=1", kErrorOk, "host", 80, "/?x=1"},
      {"http://host/p#frag", kErrorOk, "host", 80, "/p"},
      {"http://[::1]:9000/s", kErrorOk, "::1", 9000, "/s"},
      {"http://user:pw@host:81/", kErrorOk, "host", 81, "/"},
      {"https://host/", kErrorOk, "host", 443, "/", true},
      {"HTTPS://host:8443/live", kErrorOk, "host", 8443, "/live", true},
      {"https://[::1]/s", kErrorOk, "::1", 443, "/s", true},
      {"httpx://host/", kErrorProtocol, "", 0, ""},
      {"https:/host", kErrorBadAddress, "", 0, ""},
      {"ftp://host/file", kErrorProtocol, "", 0, ""},
      {"mms://host/x", kErrorProtocol, "", 0, ""},
      {"http:/host", kErrorBadAddress, "", 0, ""},
      {"http://", kErrorBadAddress, "", 0, ""},
      {"http://:80/", kErrorBadAddress, "", 0, ""},
      {"http://host:0/", kErrorBadAddress, "", 0, ""},
      {"http://host:65536/", kErrorBadAddress, "", 0, ""},
      {"http://host:8x/", kErrorBadAddress, "", 0, ""},
      {"http://ho st/", kErrorBadAddress, "", 0, ""},
      {"http://[::1/", kErrorBadAddress, "", 0, ""},
      {"radio.example.net/stream", kErrorBadAddress, "", 0, ""},
      {"", kErrorBadAddress, "", 0, ""},
      {"http://host/a\r\nX-Injected: 1", kErrorBadAddress, "", 0, ""},
      {"http://host/a\x7f", kErrorBadAddress, "", 0, ""},
  };
  for (const ParseCase& c : cases) {
    Url url;
    EXPECT_EQ(ParseUrl(c.text, url), c.error) << c.text;
    if (c.error != kErrorOk) continue;
    EXPECT_EQ(url.host, c.host) << c.text;
    EXPECT_EQ(url.port, c.port) << c.text;
    EXPECT_EQ(url.path, c.path) << c.text;
    EXPECT_EQ(url.secure, c.secure) << c.text;
  }
}

TEST(Url, SecureAddressesKeepTheirSchemeInTextHostAndTunnel) {
  const struct {
    const char* text;
    const char* as_text;
    const char* host_header;
  } cases[] = {
      {"https://radio.example/live", "https://radio.example/live", "radio.example"},
      {"https://radio.example:443/live", "https://radio.example/live", "radio.example"},
      {"https://radio.example:80/live", "https://radio.example:80/live", "radio.example:80"},
      {"http://radio.example:443/", "http://radio.example:443/", "radio.example:443"},
  };
  for (const auto& c : cases) {
    Url url;
    ASSERT_EQ(ParseUrl(c.text, url), kErrorOk) << c.text;
    EXPECT_EQ(UrlText(url), c.as_text);
    EXPECT_EQ(HostHeader(url), c.host_header);
  }
  Url url;
  ASSERT_EQ(ParseUrl("https://[::1]/s", url), kErrorOk);
  EXPECT_EQ(BuildConnectRequest(url, "px:secret"),
            "CONNECT [::1]:443 HTTP/1.1\r\n"
            "Host: [::1]:443\r\n"
            "User-Agent: VolnarRadio/1.0\r\n"
            "Proxy-Authorization: Basic cHg6c2VjcmV0\r\n\r\n");
}

TEST(Url, RequestNamesTheProgramAndAsksForMetadata) {
  Url url;
  ASSERT_EQ(ParseUrl("http://radio.example.net/live", url), kErrorOk);
  EXPECT_EQ(BuildRequest(url, {}),
            "GET /live HTTP/1.1\r\n"
            "Host: radio.example.net\r\n"
            "User-Agent: VolnarRadio/1.0\r\n"
            "Accept: */*\r\n"
            "Icy-MetaData: 1\r\n"
            "Connection: close\r\n\r\n");

  ASSERT_EQ(ParseUrl("http://u:p@127.0.0.1:8000/a b", url), kErrorOk);
  RequestOptions proxy;
  proxy.via_proxy = true;
  proxy.proxy_userinfo = "px:secret";
  proxy.offset = 1000;
  EXPECT_EQ(BuildRequest(url, proxy),
            "GET http://127.0.0.1:8000/a%20b HTTP/1.1\r\n"
            "Host: 127.0.0.1:8000\r\n"
            "User-Agent: VolnarRadio/1.0\r\n"
            "Accept: */*\r\n"
            "Icy-MetaData: 1\r\n"
            "Range: bytes=1000-\r\n"
            "Authorization: Basic dTpw\r\n"
            "Proxy-Authorization: Basic cHg6c2VjcmV0\r\n"
            "Connection: close\r\n\r\n");

  // HLS requests: one connection for the playlist and its segments, no ICY metadata.
  ASSERT_EQ(ParseUrl("http://cdn.example/live/seg1.ts", url), kErrorOk);
  RequestOptions hls;
  hls.keep_alive = true;
  hls.icy_metadata = false;
  EXPECT_EQ(BuildRequest(url, hls),
            "GET /live/seg1.ts HTTP/1.1\r\n"
            "Host: cdn.example\r\n"
            "User-Agent: VolnarRadio/1.0\r\n"
            "Accept: */*\r\n"
            "Connection: keep-alive\r\n\r\n");
}

TEST(Url, ResolvesRedirectTargetsAndPlaylistEntries) {
  Url base;
  ASSERT_EQ(ParseUrl("http://st.example:8000/lists/main.pls?x=1", base), kErrorOk);
  const struct {
    const char* reference;
    int error;
    const char* expected;
  } cases[] = {
      {"http://other.example/live", kErrorOk, "http://other.example/live"},
      {"/stream/a.mp3", kErrorOk, "http://st.example:8000/stream/a.mp3"},
      {"a.mp3", kErrorOk, "http://st.example:8000/lists/a.mp3"},
      {"../b.mp3", kErrorOk, "http://st.example:8000/b.mp3"},
      {"../../../c", kErrorOk, "http://st.example:8000/c"},
      {"./d/./e", kErrorOk, "http://st.example:8000/lists/d/e"},
      {"?y=2", kErrorOk, "http://st.example:8000/lists/main.pls?y=2"},
      {"//cdn.example/s", kErrorOk, "http://cdn.example/s"},
      {"https://secure.example/s", kErrorOk, "https://secure.example/s"},
      {"ftp://files.example/s", kErrorProtocol, ""},
      {"  /spaced  ", kErrorOk, "http://st.example:8000/spaced"},
      {"", kErrorBadAddress, ""},
  };
  for (const auto& c : cases) {
    Url out;
    EXPECT_EQ(ResolveReference(base, c.reference, out), c.error) << c.reference;
    if (c.error == kErrorOk) {
      EXPECT_EQ(UrlText(out), c.expected) << c.reference;
    }
  }
  // From https, a scheme-relative reference and a path stay https; an
  // absolute http address goes back to http.
  ASSERT_EQ(ParseUrl("https://st.example/a/b", base), kErrorOk);
  for (auto [reference, expected] : {std::pair{"//cdn.example/s", "https://cdn.example/s"},
                                     std::pair{"/c", "https://st.example/c"},
                                     std::pair{"http://plain.example/", "http://plain.example/"}}) {
    Url out;
    ASSERT_EQ(ResolveReference(base, reference, out), kErrorOk) << reference;
    EXPECT_EQ(UrlText(out), expected);
  }
}

TEST(Url, LoopbackHostsInEveryFormAResolverReads) {
  for (const char* host : {"127.0.0.1", "127.255.255.255", "127.1", "127.0.1", "2130706433", "0x7f000001",
                           "0177.0.0.1", "0x7f.1", "127.256", "0.0.0.0", "0", "127.0.0.1.", "localhost", "LocalHost.",
                           "radio.localhost", "::1", "0:0:0:0:0:0:0:1", "::", "::ffff:127.0.0.1", "::ffff:7f00:1",
                           "::127.0.0.2", "::1%1"}) {
    EXPECT_TRUE(IsLoopbackHost(host)) << host;
  }
  for (const char* host : {"126.255.255.255", "128.0.0.0", "0.0.0.1", "2130706431", "4294967296", "127.0.0.256",
                           "127.0.0.1.test", "localhost.test", "notlocalhost", "x-localhost", "::2", "fe80::1",
                           "::ffff:128.0.0.1", "::1:0", "1::1", "::1::", "0:0:0:0:0:0:0:0:1", "", "radio.test"}) {
    EXPECT_FALSE(IsLoopbackHost(host)) << host;
  }
}

TEST(Url, Base64MatchesTheStandardAlphabetAndPadding) {
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("f"), "Zg==");
  EXPECT_EQ(Base64("fo"), "Zm8=");
  EXPECT_EQ(Base64("foo"), "Zm9v");
  EXPECT_EQ(Base64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64("\xff\xfe"), "//4=");
}

}  // namespace
