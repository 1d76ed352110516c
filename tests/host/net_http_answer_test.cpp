#include "engine/net/http_answer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::span<const uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

struct AnswerCase {
  const char* name;
  std::string answer;
  HttpAnswer::Kind kind;
  int status;
  std::vector<std::string> lines;
  std::string body;
  std::string tags;
};

TEST(HttpAnswer, ParsesIcyAndHttpHeadsAtEverySplit) {
  using std::string_literals::operator""s;
  const AnswerCase cases[] = {
      {"icy",
       "ICY 200 OK\r\nicy-name:Jazz FM\r\nicy-br:128\r\nicy-metaint:8192\r\n\r\n\xff\xfb\x90",
       HttpAnswer::Kind::kIcy, 200, {"icy-name:Jazz FM", "icy-br:128", "icy-metaint:8192"},
       "\xff\xfb\x90", "ICY 200 OK\0icy-name:Jazz FM\0icy-br:128\0icy-metaint:8192\0\0"s},
      {"http10 with spaces and LF ends",
       "HTTP/1.0 200 OK\nContent-Type: audio/mpeg\nicy-name: Rock\n\nABC",
       HttpAnswer::Kind::kHttp, 200, {"Content-Type: audio/mpeg", "icy-name: Rock"}, "ABC",
       "HTTP/1.0 200 OK\0Content-Type: audio/mpeg\0icy-name: Rock\0\0"s},
      {"http11 error", "HTTP/1.1 404 Not Found\r\nServer: x\r\n\r\n", HttpAnswer::Kind::kHttp,
       404, {"Server: x"}, "", "HTTP/1.1 404 Not Found\0Server: x\0\0"s},
      {"icy full", "ICY 400 Server Full\r\n\r\n", HttpAnswer::Kind::kIcy, 400, {}, "",
       "ICY 400 Server Full\0\0"s},
      {"case kept", "HTTP/1.1 200 OK\r\nICY-NAME:Caps\r\n\r\n", HttpAnswer::Kind::kHttp, 200,
       {"ICY-NAME:Caps"}, "", "HTTP/1.1 200 OK\0ICY-NAME:Caps\0\0"s},
      {"folded header", "HTTP/1.0 200 OK\r\nX-A: one\r\n  two\r\n\r\n", HttpAnswer::Kind::kHttp,
       200, {"X-A: one two"}, "", "HTTP/1.0 200 OK\0X-A: one two\0\0"s},
  };
  for (const AnswerCase& c : cases) {
    for (size_t a = 0; a <= c.answer.size(); ++a) {
      for (size_t b = a; b <= c.answer.size(); b += (a % 7 == 0 ? 1 : c.answer.size())) {
        HttpAnswer head;
        std::string body;
        for (auto [from, to] : {std::pair{size_t{0}, a}, std::pair{a, b}, std::pair{b, c.answer.size()}}) {
          std::string_view piece = std::string_view(c.answer).substr(from, to - from);
          if (head.state() == HttpAnswer::State::kHead) {
            EXPECT_TRUE(head.Feed(Bytes(piece))) << c.name;
            if (head.state() == HttpAnswer::State::kDone) body = Text(head.body());
          } else {
            body += piece;
          }
        }
        ASSERT_EQ(head.state(), HttpAnswer::State::kDone) << c.name << " split " << a << "," << b;
        EXPECT_EQ(head.kind(), c.kind) << c.name;
        EXPECT_EQ(head.status(), c.status) << c.name;
        EXPECT_EQ(head.lines(), c.lines) << c.name;
        EXPECT_EQ(body, c.body) << c.name << " split " << a << "," << b;
        EXPECT_EQ(head.TagList(), c.tags) << c.name;
      }
    }
  }
}

TEST(HttpAnswer, RefusesMalformedAndOversizedHeads) {
  using std::string_literals::operator""s;
  const std::string cases[] = {
      "<html><body>hello</body></html>\r\n\r\n",
      "HTTP/1.1 2000 OK\r\n\r\n",
      "HTTP/1.1 20 OK\r\n\r\n",
      "HTTPS/1.1 200 OK\r\n\r\n",
      "ICY OK\r\n\r\n",
      "HTTP/1.0 200 OK\r\nX: a\0b\r\n\r\n"s,
      "HTTP/1.0 200 OK\r\n" + std::string(20000, 'a') + ":b\r\n\r\n",
      "HTTP/1.0 200 OK\r\n" + std::string(17000, 'x'),  // never ends
  };
  for (const std::string& answer : cases) {
    HttpAnswer head;
    head.Feed(Bytes(answer));
    EXPECT_EQ(head.state(), HttpAnswer::State::kError) << answer.substr(0, 40);
    EXPECT_FALSE(head.Feed(Bytes("\r\n\r\n")));
  }
}

TEST(HttpAnswer, HeaderLookupIgnoresCaseAndSpaces) {
  HttpAnswer head;
  head.Feed(Bytes("HTTP/1.1 302 Found\r\nlocation:  /next \r\nContent-TYPE: Audio/MPEG; x=y\r\n\r\n"));
  ASSERT_EQ(head.state(), HttpAnswer::State::kDone);
  EXPECT_TRUE(IsRedirect(head.status()));
  EXPECT_EQ(head.Header("Location").value_or("?"), "/next");
  EXPECT_EQ(head.Header("content-type").value_or("?"), "Audio/MPEG; x=y");
  EXPECT_FALSE(head.Header("icy-metaint").has_value());
  EXPECT_EQ(CodecFromContentType(*head.Header("content-type")), AudioCodec::kMp3);
}

TEST(HttpAnswer, ContentTypesAndNumbers) {
  EXPECT_EQ(CodecFromContentType("audio/aacp"), AudioCodec::kAac);
  EXPECT_EQ(CodecFromContentType("audio/aac"), AudioCodec::kAac);
  EXPECT_EQ(CodecFromContentType("application/ogg"), AudioCodec::kVorbis);
  EXPECT_EQ(CodecFromContentType("text/html"), AudioCodec::kUnknown);
  EXPECT_EQ(CodecFromContentType(""), AudioCodec::kUnknown);
  EXPECT_EQ(ParseDecimal(" 8192 ").value_or(0), 8192u);
  EXPECT_FALSE(ParseDecimal("-1").has_value());
  EXPECT_FALSE(ParseDecimal("12a").has_value());
  EXPECT_FALSE(ParseDecimal("").has_value());
  EXPECT_FALSE(ParseDecimal("99999999999999999999").has_value());
  for (int code : {301, 302, 303, 307, 308}) EXPECT_TRUE(IsRedirect(code));
  for (int code : {200, 300, 304, 305, 404}) EXPECT_FALSE(IsRedirect(code));
}

}  // namespace
