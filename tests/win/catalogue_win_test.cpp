// The built-in catalogue in-process under Wine: its server on the loopback
// address, its stored file replaced whole, and the window's hand-over of
// plays (the Play button's station goes into the catalogue's history).
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/program_win.h"
#include "app/unit1_win.h"
#include "browser/hosted_browser_win.h"
#include "browser/catalogue_host.h"
#include "catalogue/catalogue_win.h"
#include "catalogue/server_win.h"
#include "catalogue/store_file_win.h"
#include "engine/engine.h"
#include "registry_guard.h"
#include "ui_test_util.h"

namespace {

// One request to 127.0.0.1:`port`; the whole answer.
std::string Ask(uint16_t port, const std::string& request) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  std::string answer;
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    send(s, request.data(), static_cast<int>(request.size()), 0);
    char buffer[4096];
    for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, n);
  }
  closesocket(s);
  WSACleanup();
  return answer;
}

std::string Get(const std::string& host, const std::string& target) {
  const uint16_t port = static_cast<uint16_t>(std::stoi(host.substr(host.find(':') + 1)));
  return Ask(port, "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
}

std::wstring TempFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void RemoveFolder(const std::wstring& folder) {
  for (const wchar_t* f : {L"\\catalogue.json", L"\\catalogue.json.bad", L"\\catalogue.json.new"}) {
    DeleteFileW((folder + f).c_str());
  }
  RemoveDirectoryW(folder.c_str());
}

TEST(CatalogueServer, AnswersOnLoopbackForItsOwnHostOnly) {
  ASSERT_TRUE(kBuiltInCatalogue);
  StopCatalogue();
  const std::wstring folder = TempFolder(L"volnar-catalogue-server-");
  CatalogueSetup setup;
  setup.data_folder = folder;
  setup.directory = "http://127.0.0.1:9";  // refused at once: the directory is unreachable
  setup.ports = {0};
  const std::string host = StartCatalogue(false, setup);
  ASSERT_TRUE(CatalogueRunning());
  ASSERT_EQ(host.rfind("127.0.0.1:", 0), 0u) << host;
  const uint16_t port = static_cast<uint16_t>(std::stoi(host.substr(10)));

  const std::string home = Get(host, "/");
  EXPECT_EQ(home.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << home.substr(0, 200);
  EXPECT_NE(home.find("\r\nX-UA-Compatible: IE=edge\r\n"), std::string::npos);
  EXPECT_NE(home.find("Каталог станций сейчас недоступен"), std::string::npos);
  EXPECT_EQ(Ask(port, "GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n").rfind("HTTP/1.1 421 ", 0), 0u);
  EXPECT_EQ(Ask(port, "GET / HTTP/9.9\r\n\r\n").rfind("HTTP/1.1 505 ", 0), 0u);
  EXPECT_EQ(Ask(port, "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 431 ", 0), 0u);
  // Idle clients hold at most the connection bound; one more is closed at
  // once, and once they give up the server answers again.
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  std::vector<SOCKET> idle;
  for (int i = 0; i < CatalogueServer::kMaxConnections; ++i) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    send(s, "GET / HTTP/1.1\r\n", 16, 0);  // a head that never ends
    idle.push_back(s);
  }
  std::string refused;
  for (int i = 0; i < 50 && (refused = Get(host, "/")).empty() == false; ++i) Sleep(20);
  EXPECT_EQ(refused, "");  // the accept loop has taken the idle ones in the meantime
  // A client that never finishes its request is answered 408 when its time is up.
  char buffer[256] = {};
  const int n = recv(idle[0], buffer, sizeof buffer - 1, 0);
  EXPECT_EQ(std::string(buffer, n > 0 ? n : 0).rfind("HTTP/1.1 408 ", 0), 0u);
  for (SOCKET s : idle) closesocket(s);
  WSACleanup();
  std::string again;
  for (int i = 0; i < 100 && (again = Get(host, "/")).empty(); ++i) Sleep(20);
  EXPECT_EQ(again.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);

  // A second start hands over only whether a station is known.
  EXPECT_EQ(StartCatalogue(true, setup), host);
  StopCatalogue();
  EXPECT_FALSE(CatalogueRunning());
  EXPECT_EQ(Get(host, "/"), "");  // nothing listens any more
  RemoveFolder(folder);
}

TEST(CatalogueStoreFile, ReplacesTheDocumentWholeAndKeepsABadOneAside) {
  const std::wstring folder = TempFolder(L"volnar-catalogue-file-");
  StoreFile file(folder);
  EXPECT_EQ(file.Read(100), std::nullopt);  // nothing stored yet
  ASSERT_TRUE(file.Write("{\"first\":1}", false));
  EXPECT_EQ(file.Read(100), "{\"first\":1}");
  ASSERT_TRUE(file.Write("{\"second\":2}", true));
  EXPECT_EQ(file.Read(100), "{\"second\":2}");
  StoreFile bad(folder);
  const std::wstring kept = folder + L"\\catalogue.json.bad";
  EXPECT_NE(GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((folder + L"\\catalogue.json.new").c_str()), INVALID_FILE_ATTRIBUTES);
  // An oversized file is read one byte past the bound, so that the reader sees it.
  ASSERT_TRUE(file.Write(std::string(5000, 'x'), false));
  EXPECT_EQ(file.Read(100)->size(), 101u);
  RemoveFolder(folder);
}

class CatalogueFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application.Initialize();
    Application.ErrorBoxHook = [](const std::string&, const std::string&) {};
    MessageBoxHook = [](HWND, const std::string&, const char*, UINT) { return IDOK; };
    EngineFree();
    folder = TempFolder(L"volnar-catalogue-form-");
  }
  void TearDown() override {
    if (Form1) Form1->Free();
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Application.ErrorBoxHook = nullptr;
    MessageBoxHook = nullptr;
    EngineFree();
    StopCatalogue();
    RemoveFolder(folder);
  }
  VolnarKeyGuard guard;
  std::wstring folder;
};

TEST_F(CatalogueFormTest, TheWindowUsesTheRunningCatalogueAndHandsItsPlaysOver) {
  StopCatalogue();
  CatalogueSetup setup;
  setup.data_folder = folder;
  setup.directory = "http://127.0.0.1:9";
  setup.ports = {0};
  const std::string host = StartCatalogue(false, setup);
  Application.CreateForm(Form1);
  ASSERT_NE(Form1, nullptr);
  EXPECT_EQ(CatalogueHost, host);  // the address of the port it got
  // At show the real browser asks the built-in catalogue for its home page.
  const uint64_t before = CatalogueRequestsAnswered();
  ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
  Form1->Show();
  EXPECT_TRUE(PumpUntil([&] { return CatalogueRequestsAnswered() > before; }, 500));
  EXPECT_EQ(Form1->WebBrowser1->LocationURL().rfind("http://" + host, 0), 0u) << Form1->WebBrowser1->LocationURL();
  LastUrl = "http://127.0.0.1:9/played-by-the-button";
  Form1->PlayButtonClick(nullptr);
  std::string recent;
  ASSERT_TRUE(PumpUntil([&] {
    recent = Get(host, "/recent");
    return recent.find("played-by-the-button") != std::string::npos;
  }, 500)) << recent.substr(0, 300);
  EXPECT_NE(recent.find("href=\"play:http://127.0.0.1:9/played-by-the-button\""), std::string::npos);
  Form1->Free();
  EXPECT_FALSE(CatalogueRunning());  // the window's end stops it
}

}  // namespace
