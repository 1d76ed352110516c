// The catalogue server's request parser and its bounds, and the text rules
// of addresses and forms.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/http_request.h"
#include "catalogue/web_text.h"

namespace {

HttpRequest FeedInSteps(std::string_view text, size_t step) {
  HttpRequest r;
  for (size_t at = 0; at < text.size() && (r.state() == HttpRequest::State::kHead ||
                                           r.state() == HttpRequest::State::kBody);
       at += step) {
    r.Feed(text.substr(at, step));
  }
  return r;
}

TEST(CatalogueRequest, ParsesGetAndPostAtEverySplit) {
  const std::string get = "GET /list?q=%D1%80%D0%BE%D0%BA&page=2 HTTP/1.1\r\nHost: 127.0.0.1:47471\r\n"
                          "User-Agent: x\r\n\r\n";
  const std::string post = "\r\nPOST /fav/toggle HTTP/1.1\r\nHost: 127.0.0.1:47471\r\n"
                           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 9\r\n\r\n"
                           "t=abc&k=1EXTRA";
  for (size_t step = 1; step <= get.size(); ++step) {
    const HttpRequest r = FeedInSteps(get, step);
    ASSERT_EQ(r.state(), HttpRequest::State::kDone) << step;
    EXPECT_EQ(r.method(), "GET");
    EXPECT_EQ(r.path(), "/list");
    EXPECT_EQ(r.query(), "q=%D1%80%D0%BE%D0%BA&page=2");
    EXPECT_EQ(r.Header("host"), "127.0.0.1:47471");
    EXPECT_EQ(r.headers().size(), 2u);
  }
  for (size_t step = 1; step <= post.size(); ++step) {
    const HttpRequest r = FeedInSteps(post, step);
    ASSERT_EQ(r.state(), HttpRequest::State::kDone) << step;
    EXPECT_EQ(r.method(), "POST");
    EXPECT_EQ(r.body(), "t=abc&k=1");  // nothing past Content-Length
  }
}

TEST(CatalogueRequest, RefusesMalformedAndOversizedRequests) {
  struct Case {
    const char* name;
    std::string text;
    int status;
  } const cases[] = {
      {"no target", "GET HTTP/1.1\r\n\r\n", 400},
      {"absolute form", "GET http://evil/ HTTP/1.1\r\n\r\n", 400},
      {"space in target", "GET /a b HTTP/1.1\r\nHost: h\r\n\r\n", 400},
      {"non-ascii target", "GET /\xD1\x80 HTTP/1.1\r\n\r\n", 400},
      {"http 2", "GET / HTTP/2.0\r\n\r\n", 505},
      {"not http", "GET / FTP/1.0\r\n\r\n", 400},
      {"header without colon", "GET / HTTP/1.1\r\nHost\r\n\r\n", 400},
      {"space before colon", "GET / HTTP/1.1\r\nHost : x\r\n\r\n", 400},
      {"folded header", "GET / HTTP/1.1\r\nHost: x\r\n y\r\n\r\n", 400},
      {"nul byte", std::string("GET / HTTP/1.1\r\nHost: a\0b\r\n\r\n", 30), 400},
      {"chunked body", "POST /own/add HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 501},
      {"two lengths", "POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab", 400},
      {"bad length", "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
      {"huge length", "POST / HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n", 400},
      {"body too large", "POST / HTTP/1.1\r\nContent-Length: 16385\r\n\r\n", 413},
      {"head too large", "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n", 431},
  };
  for (const Case& c : cases) {
    const HttpRequest r = FeedInSteps(c.text, c.text.size());
    EXPECT_EQ(r.state(), HttpRequest::State::kError) << c.name;
    EXPECT_EQ(r.error_status(), c.status) << c.name;
  }
  std::string many = "GET / HTTP/1.1\r\n";
  for (int i = 0; i < 41; ++i) many += "X-" + std::to_string(i) + ": v\r\n";
  const HttpRequest r = FeedInSteps(many + "\r\n", 7);
  EXPECT_EQ(r.state(), HttpRequest::State::kError);
  EXPECT_EQ(r.error_status(), 431);
}

TEST(CatalogueRequest, EndlessHeadIsCutAtItsBound) {
  // A client that never ends its head is refused once it passes the bound,
  // however it splits its bytes.
  HttpRequest r;
  r.Feed("GET / HTTP/1.1\r\n");
  size_t fed = 16;
  while (r.state() == HttpRequest::State::kHead && fed < 100000) {
    r.Feed("X-A: 1\r\n");
    fed += 8;
  }
  EXPECT_EQ(r.state(), HttpRequest::State::kError);
  EXPECT_LE(fed, HttpRequest::kMaxHeadBytes + 8);
}

TEST(CatalogueRequest, SlowClientMeetsAFixedDeadline) {
  // One byte a second: every byte arrives well within any per-read wait,
  // but the connection's time is counted from its acceptance.
  const std::string text = "GET / HTTP/1.1\r\nHost: 127.0.0.1:47471\r\n\r\n";
  const uint64_t accepted = 5000;
  RequestDeadline deadline(accepted);
  HttpRequest r;
  uint64_t now = accepted;
  size_t i = 0;
  for (; i < text.size() && !deadline.Expired(now); ++i, now += 1000) {
    EXPECT_GT(deadline.RemainingMs(now), 0u);
    r.Feed(text.substr(i, 1));
  }
  EXPECT_TRUE(deadline.Expired(now));
  EXPECT_EQ(deadline.RemainingMs(now), 0u);
  EXPECT_EQ(i, RequestDeadline::kRequestMs / 1000);
  EXPECT_EQ(r.state(), HttpRequest::State::kHead);
}

TEST(CatalogueText, PercentEncodingAndForms) {
  EXPECT_EQ(PercentEncode("рок"), "%D1%80%D0%BE%D0%BA");
  EXPECT_EQ(PercentEncode("a b&c=d/é~._-"), "a%20b%26c%3Dd%2F%C3%A9~._-");
  EXPECT_EQ(PercentDecode("%D1%80%D0%BE%D0%BA+1", true), "рок 1");
  EXPECT_EQ(PercentDecode("a+b%2", false), "a+b%2");
  EXPECT_EQ(PercentDecode("%zz%4", true), "%zz%4");
  const auto form = ParseForm("q=%D0%A0%D1%83%D1%81+%D1%80%D0%B0%D0%B4%D0%B8%D0%BE&empty=&flag&q=second&bad=%FF");
  EXPECT_EQ(form.at("q"), "Рус радио");  // the first value counts
  EXPECT_EQ(form.at("empty"), "");
  EXPECT_EQ(form.at("flag"), "");
  EXPECT_EQ(form.at("bad"), "\xEF\xBF\xBD");
}

TEST(CatalogueText, HtmlEscapeCoversMarkupAndBothQuotes) {
  EXPECT_EQ(HtmlEscape("<script>\"x\" & 'y'</script>"),
            "&lt;script&gt;&quot;x&quot; &amp; &#39;y&#39;&lt;/script&gt;");
}

TEST(CatalogueText, Utf8CleanUpAndCutting) {
  EXPECT_EQ(CleanUtf8("ok \xD0\x9F \xFF \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80"),
            "ok \xD0\x9F \xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD "
            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(CleanUtf8(std::string("a\0b\x07\tc\x7F", 7)), "ab\tc");
  EXPECT_EQ(CleanUtf8("\xD0"), "\xEF\xBF\xBD");  // cut at the end
  EXPECT_EQ(CutUtf8("Привет", 5), "Пр");         // not half a letter
  EXPECT_EQ(CutUtf8("abc", 5), "abc");
}

TEST(CatalogueText, StationAddressesAndLinks) {
  const struct {
    const char* address;
    bool ok;
  } cases[] = {
      {"http://radio.example/stream", true}, {"HTTPS://radio.example:8443/a?b=c", true},
      {"javascript:alert(1)", false},         {"file:///c:/windows", false},
      {"http://", false},                      {"http:///path", false},
      {"http://a/\x01", false},                {"http://a/b c", false},
      {"http://a/\"onclick=", false},          {"http://a/<x>", false},
      {"play:http://a/", false},               {"ftp://a/", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsStationAddress(c.address), c.ok) << c.address;
  EXPECT_EQ(LinkAddress("http://радио.example/поток 1?a=%20|x"),
            "http://%D1%80%D0%B0%D0%B4%D0%B8%D0%BE.example/%D0%BF%D0%BE%D1%82%D0%BE%D0%BA%201?a=%20%7Cx");
}

}  // namespace
