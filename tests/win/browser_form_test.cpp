// The catalogue browser in the main window, in-process under Wine: start-up
// hosts the real control in place and navigates to the placeholder page and
// the catalogue for real; the browser's navigations are intercepted (play:
// plays the test station, new: reaches the shell seam for web addresses
// only, the home address shows the please-wait box); page completion, the
// cookies at close and the edit menu work against a stand-in document.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <wininet.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/catalogue_cookies_win.h"
#include "app/program_win.h"
#include "app/settings_win.h"
#include "app/unit1_win.h"
#include "browser/cookies.h"
#include "browser/cookies_win.h"
#include "browser/hosted_browser_win.h"
#include "browser/link_interception_win.h"
#include "browser/pane_notice_win.h"
#include "browser_test_util.h"
#include "controls/glass_button_win.h"
#include "engine/api/engine.h"
#include "engine_env.h"
#include "pcm_analysis.h"
#include "registry_guard.h"
#include "stand_in_dispatch.h"
#include "ui/ole_auto_win.h"

namespace {

std::string Station() {
  const char* s = std::getenv("VOLNAR_STATION");
  return s ? s : "";
}

// The catalogue's home address as started (another program may hold its fixed port).
std::string Home() { return "http://" + (CatalogueHost.empty() ? std::string(kCatalogueHost) : CatalogueHost); }

// A listening socket on 127.0.0.1 that stands for the catalogue site and
// reads the first request the browser sends it.
class CatalogueListener {
 public:
  CatalogueListener() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    listen(socket_, 4);
    int len = sizeof(a);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~CatalogueListener() {
    closesocket(socket_);
    WSACleanup();
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  // The request's head, read while the window's messages are handled.
  std::string Request() {
    SOCKET client = INVALID_SOCKET;
    PumpUntil([&] {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(socket_, &set);
      timeval none{0, 0};
      if (select(0, &set, nullptr, nullptr, &none) == 1) client = accept(socket_, nullptr, nullptr);
      return client != INVALID_SOCKET;
    }, 1000);
    if (client == INVALID_SOCKET) return {};
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
      const int n = recv(client, buffer, sizeof(buffer), 0);
      if (n <= 0) break;
      head.append(buffer, n);
    }
    closesocket(client);
    return head;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
};

struct Opened {
  HWND owner;
  std::string address;
};

// Sends `browser` the control's before-navigate event for `url` as coming
// from `window` (the top browser or a frame; null: none named), returning
// whether the handler cancelled the navigation.
bool FireBeforeNavigate2(THostedBrowser* browser, IDispatch* window, const std::wstring& url) {
  ComPtr<IDispatch> sink = SiteInterface<IDispatch>(browser, DIID_DWebBrowserEvents2);
  if (!sink) return false;
  TVariant address(url), flags, frame, post, headers;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANTARG a[7];
  a[6].vt = VT_DISPATCH;
  a[6].pdispVal = window;
  VARIANT* refs[5] = {address.Get(), flags.Get(), frame.Get(), post.Get(), headers.Get()};
  for (int i = 0; i < 5; ++i) {
    a[5 - i].vt = VT_BYREF | VT_VARIANT;
    a[5 - i].pvarVal = refs[i];
  }
  a[0].vt = VT_BYREF | VT_BOOL;
  a[0].pboolVal = &cancel;
  DISPPARAMS params{a, nullptr, 7, 0};
  (void)sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                     nullptr);
  return cancel == VARIANT_TRUE;
}

std::wstring HomeW() { return ToWide(Home()); }

// The main window as the program makes it, with the browser's navigations
// (as its BeforeNavigate2 reports them), shell opens and stored cookies
// recorded in one log.
class BrowserFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application.Initialize();
    Application.ErrorBoxHook = [this](const std::string& text, const std::string&) {
      errors.push_back(text);
    };
    MessageBoxHook = [this](HWND, const std::string& text, const char*, UINT) {
      boxes.push_back(text);
      return IDOK;
    };
    ShellOpenHook = [this](HWND owner, const std::string& address) {
      opened.push_back({owner, address});
      log.push_back("open " + address);
    };
    PutCookieHook = [this](const std::string& address, const std::string& cookie) {
      log.push_back("cookie " + address + " " + cookie);
    };
    EngineFree();
  }
  void TearDown() override {
    if (Form1) Form1->Free();
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Application.ErrorBoxHook = nullptr;
    MessageBoxHook = nullptr;
    ShellOpenHook = nullptr;
    PutCookieHook = nullptr;
    EngineFree();
  }

  void Open(const std::string& catalogue_host = "") {
    Application.CreateForm(Form1);
    ASSERT_NE(Form1, nullptr);
    if (!catalogue_host.empty()) CatalogueHost = catalogue_host;
    THostedBrowser* b = Form1->WebBrowser1;
    TBeforeNavigate2Event handler = b->OnBeforeNavigate2;
    b->OnBeforeNavigate2 = [this, handler](TObject* s, IDispatch* d, VARIANT* url, VARIANT* flags,
                                           VARIANT* frame, VARIANT* post, VARIANT* headers,
                                           VARIANT_BOOL* cancel) {
      const std::string address = url && url->vt == VT_BSTR ? FromWide(url->bstrVal) : "?";
      handler(s, d, url, flags, frame, post, headers, cancel);
      log.push_back("navigate " + address + (*cancel ? " (cancelled)" : ""));
    };
    ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
    Form1->Show();
  }

  // Asks the real browser to go to `address` and waits until its
  // BeforeNavigate2 has been handled.
  void NavigateAndWait(const std::string& address) {
    const size_t before = log.size();
    Form1->WebBrowser1->Navigate(address);
    ASSERT_TRUE(PumpUntil([&] {
      for (size_t i = before; i < log.size(); ++i)
        if (log[i].rfind("navigate " + address, 0) == 0) return true;
      return false;
    })) << address;
    PumpUntil([] { return false; }, 10);  // a navigation that goes on gets under way
  }

  // The browser's own event of a completed document, through its event interface.
  void CompleteDocument() {
    ASSERT_EQ(FireDocumentComplete(Form1->WebBrowser1, L"http://frame/"), S_OK);
  }

  bool Logged(const std::string& line) const {
    for (const std::string& l : log)
      if (l == line) return true;
    return false;
  }

  VolnarKeyGuard guard;
  std::vector<std::string> errors;
  std::vector<std::string> boxes;
  std::vector<Opened> opened;
  std::vector<std::string> log;
};

TEST_F(BrowserFormTest, StartUpHostsTheControlInPlaceAndOpensThePlaceholderThenTheCatalogue) {
  WriteSetting("cookies", "a=1; b=x y");
  CatalogueListener site;
  Open(site.Host());
  const std::string home = "http://" + site.Host();
  THostedBrowser* b = Form1->WebBrowser1;
  HWND embedding = FindInChain(b->Handle(), L"Shell Embedding");
  ASSERT_NE(embedding, nullptr);
  RECT r{};
  GetWindowRect(embedding, &r);
  POINT origin{0, 0};
  ClientToScreen(Form1->Handle(), &origin);
  EXPECT_EQ(r.left - origin.x, 1);
  EXPECT_EQ(r.top - origin.y, 15);
  EXPECT_EQ(r.right - r.left, 598);
  EXPECT_EQ(r.bottom - r.top, 620);
  EXPECT_TRUE(IsWindowVisible(embedding));

  // The placeholder first, its text unchanged; the cookies; then the home address.
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 4; })) << log.size();
  const std::string suffix = CookieExpirySuffix([] {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wYear + 1;
  }());
  const std::vector<std::string> expected = {
      "navigate " + std::string(kPlaceholderPage),
      "cookie " + home + "/ a=1" + suffix,
      "cookie " + home + "/ b=x y" + suffix,  // a value with a space stays whole
      "navigate " + home,
  };
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 4), expected);
  // The browser really asks the catalogue site for its home page.
  const std::string request = site.Request();
  EXPECT_EQ(request.rfind("GET / HTTP/1.", 0), 0u) << request;
  EXPECT_NE(request.find("Host: " + site.Host()), std::string::npos) << request;
  EXPECT_EQ(b->LocationURL().rfind(home, 0), 0u) << b->LocationURL();
  EXPECT_TRUE(Form1->pleasewait->Visible());
  EXPECT_EQ(b->HostFlagSum(), 0x284004u);
  EXPECT_EQ(b->DownloadControlFlags(), 0x70u);
  EXPECT_FALSE(b->Silent());
  EXPECT_TRUE(THostedBrowser::DialogSupervisionInstalled());
  EXPECT_TRUE(errors.empty()) << errors[0];
}

TEST_F(BrowserFormTest, APlayLinkPlaysTheStationAndTheCatalogueStays) {
  if (Station().empty()) GTEST_SKIP() << "VOLNAR_STATION is not set";
  Open();
  PumpUntil([&] { return log.size() >= 2; });
  NavigateAndWait("about:blank");
  StandInPage catalogue({}, HomeW() + L"/rock");  // the links are the catalogue's
  Form1->WebBrowser1->SetAutomationStandIn(catalogue.browser.Get());
  const std::wstring capture = engine_env::CapturePath();
  const uint64_t from = capture.empty() ? 0 : engine_env::FileSize(capture);
  const std::string stream = Station() + "/stream/tone440-44k-128.mp3?name=Linked&burst=65536";
  LastUrl = "http://127.0.0.1:9/old";
  NavigateAndWait("play:" + stream);
  EXPECT_TRUE(Logged("navigate play:" + stream + " (cancelled)"));
  EXPECT_EQ(LastUrl, stream);
  EXPECT_EQ(ConnectAttempts, 1);
  EXPECT_FALSE(Form1->PlayButton->Enabled()) << "playing";
  EXPECT_TRUE(Form1->StopButton->Enabled());
  ASSERT_TRUE(PumpUntil([&] { return Form1->Label1->Caption() == "Linked"; }, 2000))
      << Form1->Label1->Caption();
  EXPECT_EQ(Form1->WebBrowser1->LocationURL(), "about:blank");
  if (!capture.empty()) {
    // The station's tone is what the captured device plays.
    const uint64_t size = engine_env::WaitForCapture(capture, from, 44100 * 4);
    ASSERT_GE(size, from + 44100 * 4);
    const std::vector<int16_t> left = pcm::Channel(pcm::ReadRaw(capture, from), 2, 0);
    EXPECT_GT(pcm::GoertzelPower(left, engine_env::kRate, 440),
              20 * pcm::GoertzelPower(left, engine_env::kRate, 660));
  }
  // An empty play: link empties the last station and plays nothing.
  Form1->StopButtonClick(Form1->StopButton);
  NavigateAndWait("play:");
  EXPECT_EQ(LastUrl, "");
  EXPECT_TRUE(Form1->PlayButton->Enabled()) << "nothing started";
  EXPECT_TRUE(errors.empty());
}

TEST_F(BrowserFormTest, NewLinksOpenOnlyWebAddressesInTheDefaultBrowser) {
  Open();
  PumpUntil([&] { return log.size() >= 2; });
  NavigateAndWait("about:blank");
  StandInPage catalogue({}, HomeW() + L"/");
  Form1->WebBrowser1->SetAutomationStandIn(catalogue.browser.Get());
  const struct { const char* link; bool opened; } cases[] = {
      {"new:http://radio.volnar.ru/about", true},
      {"new:HTTPS://Example.COM/a?b=1", true},
      {"new:file:///C:/windows/notepad.exe", false},
      {"new:C:\\windows\\notepad.exe", false},
      {"new:notepad", false},
      {"new:", false},
  };
  for (const auto& c : cases) {
    opened.clear();
    NavigateAndWait(c.link);
    EXPECT_TRUE(Logged(std::string("navigate ") + c.link + " (cancelled)")) << c.link;
    ASSERT_EQ(opened.size(), c.opened ? 1u : 0u) << c.link;
    if (c.opened) {
      EXPECT_EQ(opened[0].address, std::string(c.link).substr(4));
      EXPECT_EQ(opened[0].owner, Form1->Handle());
    }
  }
  EXPECT_EQ(Form1->WebBrowser1->LocationURL(), "about:blank") << "the page stays";
}

TEST_F(BrowserFormTest, OtherLinksNavigateAndOnlyTheExactHomeAddressShowsThePleaseWaitBox) {
  Open();
  PumpUntil([&] { return log.size() >= 2; });
  LastUrl = "http://127.0.0.1:9/kept";
  ConnectAttempts = 100;
  const struct { std::string address; bool shows; } cases[] = {
      {Home() + "/", false}, {Home() + "/?x", false}, {"Play:http://127.0.0.1:9/x", false},
      {"NEW:http://x/", false}, {"playmain:http://127.0.0.1:9/x", false}, {Home(), true},
  };
  for (const auto& c : cases) {
    Form1->pleasewait->SetVisible(false);
    opened.clear();
    NavigateAndWait(c.address);
    EXPECT_TRUE(Logged("navigate " + c.address)) << c.address << ": not cancelled";
    EXPECT_EQ(Form1->pleasewait->Visible(), c.shows) << c.address;
    EXPECT_TRUE(opened.empty());
  }
  EXPECT_EQ(LastUrl, "http://127.0.0.1:9/kept");
  EXPECT_EQ(ConnectAttempts, 100);
}

TEST_F(BrowserFormTest, WhereThePaneShowsNoPageANoticeOffersTheCatalogueInTheSystemBrowser) {
  Open();
  PumpUntil([&] { return log.size() >= 2; });
  THostedBrowser* b = Form1->WebBrowser1;
  auto* notice = dynamic_cast<TPaneNotice*>(b->FindComponent("PaneNotice"));
  ASSERT_NE(notice, nullptr);
  // Wine's control navigates but never makes a document: the notice comes.
  notice->Check();
  ASSERT_EQ(notice->Showing(), b->Document() == nullptr);
  if (!notice->Showing()) GTEST_SKIP() << "this browser control renders pages";
  RECT n{}, pane{};
  GetWindowRect(notice->Window(), &n);
  GetWindowRect(b->Handle(), &pane);
  EXPECT_TRUE(n.left > pane.left && n.right < pane.right && n.bottom <= pane.bottom) << n.left << "," << n.right;
  EXPECT_GE(n.top - pane.top, 131) << "below the window's pictures over the pane";
  RECT button{};
  GetWindowRect(notice->Button(), &button);
  EXPECT_EQ(WindowFromPoint(POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2}), notice->Button())
      << "the button is on top of the pane";
  EXPECT_EQ(TextOf(notice->Button()), ToWide("Открыть каталог в браузере"));
  SendMessageW(notice->Button(), BM_CLICK, 0, 0);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].owner, Form1->Handle());
  EXPECT_EQ(opened[0].address, "http://" + CatalogueHost + "/external");
  // A document that comes after all takes the notice away.
  StandInPage page({}, HomeW() + L"/");
  b->SetAutomationStandIn(page.browser.Get());
  CompleteDocument();
  EXPECT_FALSE(notice->Showing());
  EXPECT_EQ(WatchPaneRendering(*b, Form1->Handle(), CatalogueHost), notice) << "one notice a pane";
}

TEST_F(BrowserFormTest, PageCompletionHidesTheBoxAndTheLastPlayMainLinkWins) {
  Open();
  PumpUntil([&] { return log.size() >= 2; });
  THostedBrowser* b = Form1->WebBrowser1;
  Form1->PlayButton->SetEnabled(false);
  LastUrl = "http://start/";
  StandInPage page({L"http://radio.volnar.ru/rock", L"playmain:http://one/", L"PlayMain:http://caps/",
                    L"playMain:http://caps2/", L"playmain:http://two/", L"play:http://three/"},
                   HomeW() + L"/");
  b->SetAutomationStandIn(page.browser.Get());

  // The first completion of the run only clears the first-page flag.
  ASSERT_TRUE(FirstPage);
  ASSERT_TRUE(Form1->pleasewait->Visible());
  CompleteDocument();
  EXPECT_FALSE(FirstPage);
  EXPECT_TRUE(Form1->pleasewait->Visible());
  EXPECT_EQ(LastUrl, "http://two/");
  EXPECT_TRUE(Form1->PlayButton->Enabled());
  // Every link looked up afresh: the page's address and the count once, then each link.
  EXPECT_EQ(page.browser->Calls(L"Document"), 2 + 6);
  EXPECT_EQ(page.document->Calls(L"links"), 1 + 6);

  // Later completions hide the box; each one scans again (frames).
  LastUrl = "http://changed/";
  CompleteDocument();
  EXPECT_FALSE(Form1->pleasewait->Visible());
  EXPECT_EQ(LastUrl, "http://two/");

  // A default-station link with an empty rest, and a page without links.
  Form1->PlayButton->SetEnabled(false);
  page.hrefs = {L"playmain:"};
  CompleteDocument();
  EXPECT_EQ(LastUrl, "");
  EXPECT_TRUE(Form1->PlayButton->Enabled());
  Form1->PlayButton->SetEnabled(false);
  LastUrl = "http://kept/";
  page.hrefs = {};
  Form1->pleasewait->SetVisible(true);
  CompleteDocument();
  EXPECT_EQ(LastUrl, "http://kept/");
  EXPECT_FALSE(Form1->PlayButton->Enabled());
  EXPECT_FALSE(Form1->pleasewait->Visible());

  // No document at all (the real control under Wine): only the box changes.
  b->SetAutomationStandIn(nullptr);
  Form1->pleasewait->SetVisible(true);
  CompleteDocument();
  EXPECT_FALSE(Form1->pleasewait->Visible());
  EXPECT_EQ(LastUrl, "http://kept/");
  EXPECT_TRUE(errors.empty());
}

TEST_F(BrowserFormTest, ClosingKeepsOnlyTheCataloguePagesCookies) {
  // "~" stands for the home address, known once the window has started the catalogue.
  const struct {
    const char* what;
    std::wstring url;
    std::wstring cookie;
    bool document;
    std::string stored;
  } cases[] = {
      {"catalogue page", L"~/genre/jazz", L"sid=42; theme=light blue", true, "sid=42; theme=light blue"},
      {"catalogue page without cookies", L"~/", L"", true, ""},
      {"another site", L"http://example.com/", L"tracker=1", true, "old=1"},
      {"the offline error page", L"res://ieframe.dll/dnserror.htm#~/", L"", true, "old=1"},
      {"the placeholder page", ToWide(kPlaceholderPage), L"", true, "old=1"},
      {"no document", L"", L"", false, "old=1"},
  };
  for (const auto& c : cases) {
    VolnarKeyGuard::DeleteKey();
    WriteSetting("cookies", "old=1");
    Open();
    std::wstring url = c.url;
    if (const size_t at = url.find(L'~'); at != std::wstring::npos) url.replace(at, 1, HomeW());
    StandInPage page({}, url, c.cookie);
    if (c.document) Form1->WebBrowser1->SetAutomationStandIn(page.browser.Get());
    Form1->N3Click(Form1->N3);
    EXPECT_EQ(ReadSetting("cookies"), c.stored) << c.what;
    Form1->Free();
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  EXPECT_TRUE(errors.empty()) << errors[0];
}

// The catalogue's private links are obeyed only while the top document is a
// catalogue page (or the program's own placeholder), and from a frame only
// when the frame's own page is the catalogue's too. Refused links are still
// cancelled: the browser cannot show them.
TEST_F(BrowserFormTest, PrivateLinksAreObeyedOnlyFromTheCataloguePages) {
  Open();
  THostedBrowser* b = Form1->WebBrowser1;
  const struct {
    const char* what;
    std::wstring url;
    bool document;
    bool obeyed;
  } cases[] = {
      {"catalogue page", HomeW() + L"/rock", true, true},
      {"secure catalogue page", L"https://" + HomeW().substr(7) + L"/", true, true},
      {"the placeholder", ToWide(kPlaceholderPage), true, true},
      {"another site", L"http://ads.example.com/banner", true, false},
      {"a look-alike host", HomeW() + L".evil.example/", true, false},
      {"a local file", L"file:///C:/page.htm", true, false},
      {"no document", L"", false, false},
  };
  for (const auto& c : cases) {
    StandInPage page({L"playmain:http://127.0.0.1:9/default"}, c.url);
    b->SetAutomationStandIn(c.document ? page.browser.Get() : nullptr);
    // An empty play: link shows its effect without starting a connection.
    LastUrl = "http://kept/";
    ConnectAttempts = 100;
    opened.clear();
    EXPECT_TRUE(FireBeforeNavigate2(b, nullptr, L"play:")) << c.what;
    EXPECT_TRUE(FireBeforeNavigate2(b, nullptr, L"new:http://example.com/about")) << c.what;
    EXPECT_EQ(LastUrl, c.obeyed ? "" : "http://kept/") << c.what;
    EXPECT_EQ(ConnectAttempts, c.obeyed ? 1 : 100) << c.what;
    EXPECT_EQ(opened.size(), c.obeyed ? 1u : 0u) << c.what;
    // The default station of a completed page, by the same rule.
    LastUrl = "http://kept/";
    Form1->PlayButton->SetEnabled(false);
    CompleteDocument();
    EXPECT_EQ(LastUrl, c.obeyed ? "http://127.0.0.1:9/default" : "http://kept/") << c.what;
    EXPECT_EQ(Form1->PlayButton->Enabled(), c.obeyed) << c.what;
  }

  // Frames inside a catalogue page: an advertiser's frame is refused, a
  // catalogue frame obeyed; the top browser itself counts as the top page.
  StandInPage top({}, HomeW() + L"/");
  b->SetAutomationStandIn(top.browser.Get());
  ComPtr<StandInDispatch> ad_frame = StandInDispatch::Make();
  ad_frame->Text(L"LocationURL", L"http://ads.example.com/frame.htm");
  ComPtr<StandInDispatch> own_frame = StandInDispatch::Make();
  own_frame->Text(L"LocationURL", HomeW() + L"/list.htm");
  const struct {
    const char* what;
    IDispatch* window;
    bool obeyed;
  } frames[] = {
      {"an advertiser's frame", ad_frame.Get(), false},
      {"a catalogue frame", own_frame.Get(), true},
      {"the top browser", top.browser.Get(), true},
      {"the real control", b->OleObject(), true},
  };
  EXPECT_FALSE(b->IsTopWindow(ad_frame.Get()));
  EXPECT_TRUE(b->IsTopWindow(top.browser.Get()));
  for (const auto& c : frames) {
    LastUrl = "http://kept/";
    opened.clear();
    EXPECT_TRUE(FireBeforeNavigate2(b, c.window, L"play:")) << c.what;
    EXPECT_TRUE(FireBeforeNavigate2(b, c.window, L"new:http://example.com/")) << c.what;
    EXPECT_EQ(LastUrl, c.obeyed ? "" : "http://kept/") << c.what;
    EXPECT_EQ(opened.size(), c.obeyed ? 1u : 0u) << c.what;
  }
  EXPECT_TRUE(errors.empty());
}

// What a new: link hands to the shell: spaces and quotation marks are
// percent-quoted (a quotation mark would otherwise end the browser's
// argument and start one of the page's choosing); control characters are
// refused.
TEST_F(BrowserFormTest, NewLinkAddressesReachTheShellQuoted) {
  Open();
  THostedBrowser* b = Form1->WebBrowser1;
  StandInPage page({}, HomeW() + L"/");
  b->SetAutomationStandIn(page.browser.Get());
  const struct {
    std::wstring link;
    const char* opened;  // nullptr: nothing opened
  } cases[] = {
      {L"new:http://example.com/a b", "http://example.com/a%20b"},
      {L"new:http://example.com/\" --kiosk \"file:///C:/x", "http://example.com/%22%20--kiosk%20%22file:///C:/x"},
      {L"new:https://example.com/?q=1&r=2#top", "https://example.com/?q=1&r=2#top"},
      {L"new:http://example.com/\ttab", nullptr},
      {L"new:http://example.com/\r\nline", nullptr},
      {L"new:  http://example.com/", nullptr},
  };
  for (const auto& c : cases) {
    opened.clear();
    EXPECT_TRUE(FireBeforeNavigate2(b, nullptr, c.link));
    if (c.opened) {
      ASSERT_EQ(opened.size(), 1u) << FromWide(c.link);
      EXPECT_EQ(opened[0].address, c.opened);
    } else {
      EXPECT_TRUE(opened.empty()) << FromWide(c.link);
    }
  }
}

// Cookies of the secure catalogue are kept for the secure address: the next
// start stores them for https:// and marks them secure, so the catalogue's
// plain http home address never carries them.
TEST_F(BrowserFormTest, SecureCatalogueCookiesComeBackForTheSecureAddressOnly) {
  // A host of this run's own: the system's cookie store outlives the test.
  const std::string host = "s" + std::to_string(GetTickCount()) + ".volnar.test";
  Open(host);
  StandInPage page({}, L"https://" + ToWide(host) + L"/genre", L"vsid=77; vtheme=dark");
  Form1->WebBrowser1->SetAutomationStandIn(page.browser.Get());
  Form1->N3Click(Form1->N3);
  Form1->Free();
  MSG m;
  while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  log.clear();
  Open(host);  // the catalogue host is set after creation: restore again for it
  log.clear();
  RestoreCookies(host);
  const std::string suffix = CookieExpirySuffix([] {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wYear + 1;
  }());
  EXPECT_EQ(log, (std::vector<std::string>{"cookie https://" + host + "/ vsid=77" + suffix + ";secure",
                                           "cookie https://" + host + "/ vtheme=dark" + suffix + ";secure"}));

  // The system's cookie store takes them in that form. (Whether it then keeps
  // them from plain http requests is the store's part: Wine's hands them out
  // for http:// too, so that is not asserted here.)
  PutCookieHook = nullptr;
  RestoreCookies(host);
  char buffer[4096];
  DWORD size = sizeof(buffer);
  ASSERT_TRUE(InternetGetCookieA(("https://" + host + "/").c_str(), nullptr, buffer, &size));
  EXPECT_NE(std::string(buffer).find("vsid=77"), std::string::npos) << buffer;
  EXPECT_TRUE(errors.empty());
}

TEST_F(BrowserFormTest, TheEditMenuAsksTheDocumentItemByItem) {
  Open();
  PumpUntil([&] { return log.size() >= 2; });
  StandInPage page;
  std::map<std::wstring, bool> enabled = {{L"Copy", true}, {L"Cut", false}, {L"Paste", true}};
  std::vector<std::wstring> asked;
  page.document->On(L"queryCommandEnabled", [&](const std::vector<VARIANT>& args, VARIANT* r) {
    if (args.size() != 1 || args[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    asked.push_back(args[0].bstrVal);
    r->vt = VT_BOOL;
    r->boolVal = enabled[args[0].bstrVal] ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  });
  THostedBrowser* b = Form1->WebBrowser1;
  b->SetAutomationStandIn(page.browser.Get());
  auto ui = SiteInterface<IDocHostUIHandler2>(b, __uuidof(IDocHostUIHandler2));
  ASSERT_TRUE(ui);
  auto right_click = [&] {
    g_closed_menus = 0;
    const UINT_PTR t = SetTimer(nullptr, 0, 30, &CloseMenuWhenShown);
    POINT p{1, 1};
    EXPECT_EQ(ui->ShowContextMenu(5, &p, nullptr, nullptr), S_OK);  // on a link
    KillTimer(nullptr, t);
    EXPECT_EQ(g_closed_menus, 1);
  };
  right_click();
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"Copy", L"Cut", L"Paste"}));
  EXPECT_TRUE(Form1->N4->Enabled());   // Копировать
  EXPECT_FALSE(Form1->N5->Enabled());  // Вырезать
  EXPECT_TRUE(Form1->N6->Enabled());   // Вставить

  // A changed selection and clipboard: all three asked again.
  enabled = {{L"Copy", false}, {L"Cut", true}, {L"Paste", false}};
  right_click();
  EXPECT_EQ(asked.size(), 6u);
  EXPECT_FALSE(Form1->N4->Enabled());
  EXPECT_TRUE(Form1->N5->Enabled());
  EXPECT_FALSE(Form1->N6->Enabled());

  // A document that cannot answer leaves the items disabled.
  StandInPage mute;
  b->SetAutomationStandIn(mute.browser.Get());
  right_click();
  EXPECT_FALSE(Form1->N4->Enabled());
  EXPECT_FALSE(Form1->N5->Enabled());
  EXPECT_FALSE(Form1->N6->Enabled());

  // The commands go to the browser, which has no document here and refuses:
  // nothing happens and nothing is shown.
  for (TMenuItem* item : {Form1->N4, Form1->N5, Form1->N6}) item->SetEnabled(true);
  Form1->N4Click(Form1->N4);
  Form1->N5Click(Form1->N5);
  Form1->N6Click(Form1->N6);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(BrowserFormTest, MenuShortcutsInThePageRunTheEnabledItems) {
  Open();
  PumpUntil([&] { return log.size() >= 2; });
  HWND view = FindInChain(Form1->WebBrowser1->Handle(), L"Shell DocObject View");
  ASSERT_NE(view, nullptr);
  int copies = 0, pastes = 0;
  Form1->N4->OnClick = [&](TObject*) { ++copies; };
  Form1->N6->OnClick = [&](TObject*) { ++pastes; };
  Form1->N6->SetEnabled(false);
  SetModifiers(true, false, false);
  PostMessageW(view, WM_KEYDOWN, 'C', 1);
  PostMessageW(view, WM_KEYDOWN, 'V', 1);
  PumpMessages();
  SetModifiers(false, false, false);
  PostMessageW(view, WM_KEYDOWN, 'C', 1);  // without Ctrl: no shortcut
  PumpMessages();
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(pastes, 0) << "a disabled item does not run";
}

struct BoxSeen {
  bool standing = false;
  int rounds = 0;
};
BoxSeen g_box_seen;
// Presses OK on the box captioned "Error" a few rounds after it appeared.
void CALLBACK PressOkLater(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowW(L"#32770", L"Error");
  if (!box) return;
  if (++g_box_seen.rounds < 3) return;
  KillTimer(nullptr, id);
  g_box_seen.standing = IsWindowVisible(box);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(BrowserFormTest, SupervisionClosesBrowserDialogsAndLeavesThePlayersBoxes) {
  Open();
  SetActiveWindow(Form1->Handle());
  MessageBoxHook = nullptr;  // real boxes from here on
  // The player's own box "Не могу проиграть поток" (system caption "Error").
  g_box_seen = {};
  const UINT_PTR t = SetTimer(nullptr, 0, 50, &PressOkLater);
  EXPECT_EQ(ShowMessageBox(MainWindowHandle, "Не могу проиграть поток", nullptr, MB_OK), IDOK);
  KillTimer(nullptr, t);
  EXPECT_TRUE(g_box_seen.standing);

  // A browser error box of the same caption goes at once.
  SetActiveWindow(Form1->Handle());
  HWND other = CreateWindowExW(0, L"#32770", L"Error", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50,
                               200, 100, Form1->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  PumpMessages();
  EXPECT_FALSE(IsWindow(other));
}

}  // namespace
