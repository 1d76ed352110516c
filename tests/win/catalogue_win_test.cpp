// The built-in catalogue in-process under Wine: its server on the loopback
// address, its stored file replaced whole, and the window's hand-over of
// plays (the Play button's station goes into the catalogue's history).
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "app/program_win.h"
#include "app/unit1_win.h"
#include "browser/hosted_browser_win.h"
#include "browser/catalogue_host.h"
#include "catalogue/catalogue_win.h"
#include "catalogue/server_win.h"
#include "catalogue/store_file_win.h"
#include "engine/api/engine.h"
#include "playback/notification_rules.h"
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

// The folder and every file in it.
void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

// The texts of the damaged copies kept beside the document, oldest first.
std::vector<std::string> DamagedCopies(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\catalogue.json.bad*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> texts;
  for (const std::wstring& name : names) {
    HANDLE file = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    char buffer[256] = {};
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(file);
    texts.emplace_back(buffer, got);
  }
  return texts;
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

TEST(CatalogueStoreFile, ReplacesTheDocumentWholeAndKeepsDamagedOnesUnderNamesOfTheirOwn) {
  const std::wstring folder = TempFolder(L"volnar-catalogue-file-");
  StoreFile file(folder);
  EXPECT_EQ(file.Read(100).text, std::nullopt);  // nothing stored yet
  EXPECT_FALSE(file.Read(100).unreadable);
  ASSERT_TRUE(file.Write("0", false));
  EXPECT_EQ(file.Read(100).text, "0");
  // Every damaged save keeps the file it replaces; the newest five stay.
  for (int i = 1; i <= StoreFile::kDamagedCopiesKept + 1; ++i) ASSERT_TRUE(file.Write(std::to_string(i), true));
  EXPECT_EQ(file.Read(100).text, "6");
  EXPECT_EQ(DamagedCopies(folder), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(GetFileAttributesW((folder + L"\\catalogue.json.new").c_str()), INVALID_FILE_ATTRIBUTES);
  // An oversized file is read one byte past the bound, so that the reader sees it.
  ASSERT_TRUE(file.Write(std::string(5000, 'x'), false));
  EXPECT_EQ(file.Read(100).text->size(), 101u);
  RemoveFolder(folder);
}

TEST(CatalogueStoreFile, AFileHeldOpenElsewhereIsReadOnceFreedAndOtherwiseReportedUnreadable) {
  const std::wstring folder = TempFolder(L"volnar-catalogue-held-");
  StoreFile file(folder);
  ASSERT_TRUE(file.Write("{\"favourites\":[]}", false));
  const auto hold = [&] {
    return CreateFileW(file.path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  };
  HANDLE held = hold();
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread release([held] {
    Sleep(StoreFile::kReadPauseMs * 2);
    CloseHandle(held);
  });
  const StoreFileRead freed = file.Read(100);
  release.join();
  EXPECT_FALSE(freed.unreadable);
  EXPECT_EQ(freed.text, "{\"favourites\":[]}");

  held = hold();
  const StoreFileRead busy = file.Read(100);
  EXPECT_TRUE(busy.unreadable);
  EXPECT_EQ(busy.text, std::nullopt);
  CloseHandle(held);
  RemoveFolder(folder);
}

// A folder that refuses renames (no delete right), a full disk, a read cut
// short (a range locked by another program, a file rewritten meanwhile).
enum class DiskFault { kNone, kNoRenameAside, kNoReplace, kNoRename, kFull, kShortRead };
DiskFault g_disk_fault = DiskFault::kNone;

BOOL WINAPI FaultyMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
  const std::wstring target = to;
  const bool aside = target.find(L".bad-") != std::wstring::npos;
  const bool replace = target.size() > 5 && target.compare(target.size() - 5, 5, L".json") == 0 &&
                       std::wstring(from).find(L".new") != std::wstring::npos;
  if (g_disk_fault == DiskFault::kNoRename || (g_disk_fault == DiskFault::kNoRenameAside && aside) ||
      (g_disk_fault == DiskFault::kNoReplace && replace)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return MoveFileExW(from, to, flags);
}

BOOL WINAPI FaultyWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  if (g_disk_fault != DiskFault::kFull) return WriteFile(file, data, size, written, overlapped);
  WriteFile(file, data, size / 2, written, overlapped);
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

BOOL WINAPI FaultyRead(HANDLE file, LPVOID data, DWORD size, LPDWORD got, LPOVERLAPPED overlapped) {
  if (g_disk_fault != DiskFault::kShortRead) return ReadFile(file, data, size, got, overlapped);
  LARGE_INTEGER at{};
  SetFilePointerEx(file, at, &at, FILE_CURRENT);
  if (at.QuadPart >= 2) return *got = 0, TRUE;  // the end comes after two bytes
  return ReadFile(file, data, std::min<DWORD>(size, 2), got, overlapped);
}

TEST(CatalogueStoreFile, ASaveThatCannotKeepTheOldFileLeavesItAsItWas) {
  const std::wstring folder = TempFolder(L"volnar-catalogue-fault-");
  StoreFileCalls calls;
  calls.move_file = FaultyMove;
  calls.write_file = FaultyWrite;
  calls.read_file = FaultyRead;
  StoreFile file(folder, calls);
  ASSERT_TRUE(file.Write("old", false));
  g_disk_fault = DiskFault::kShortRead;
  EXPECT_TRUE(file.Read(100).unreadable);
  for (DiskFault fault : {DiskFault::kNoRenameAside, DiskFault::kNoReplace, DiskFault::kNoRename, DiskFault::kFull}) {
    g_disk_fault = fault;
    for (bool keep_old : {true, false}) {
      if (fault == DiskFault::kNoRenameAside && !keep_old) continue;  // nothing to move aside
      EXPECT_FALSE(file.Write("new", keep_old)) << int(fault) << keep_old;
      EXPECT_EQ(file.Read(100).text, "old") << int(fault) << keep_old;
      EXPECT_TRUE(DamagedCopies(folder).empty()) << int(fault) << keep_old;
      EXPECT_EQ(GetFileAttributesW((folder + L"\\catalogue.json.new").c_str()), INVALID_FILE_ATTRIBUTES);
    }
  }
  g_disk_fault = DiskFault::kNone;
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

TEST_F(CatalogueFormTest, TitlesReachTheHistoryAndAnExternalPagesPlayReachesTheWindow) {
  StopCatalogue();
  CatalogueSetup setup;
  setup.data_folder = folder;
  setup.directory = "http://127.0.0.1:9";
  setup.ports = {0};
  const std::string host = StartCatalogue(false, setup);
  Application.CreateForm(Form1);
  ASSERT_NE(Form1, nullptr);
  ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
  Form1->Show();
  LastUrl = "http://127.0.0.1:9/titled";
  // The player notification's title, in the program's CP1251: "Песня – 1".
  const char title[] = "\xCF\xE5\xF1\xED\xFF \x96 1";
  SendMessageW(Form1->Handle(), kPlayerNotification, kCodeTitle, reinterpret_cast<LPARAM>(title));
  std::string recent;
  ASSERT_TRUE(PumpUntil([&] {
    recent = Get(host, "/recent");
    return recent.find("Песня – 1") != std::string::npos;
  }, 2000)) << recent.substr(0, 300);
  EXPECT_NE(recent.find("<div class=\"meta\">http://127.0.0.1:9/titled</div>"), std::string::npos);

  // A page of the catalogue in another browser asks the server to play.
  const std::string own = Get(host, "/own");
  const size_t at = own.find("name=\"t\" value=\"");
  ASSERT_NE(at, std::string::npos);
  const std::string token = own.substr(at + 16, 32);
  const std::string form = "t=" + token + "&u=http%3A%2F%2F127.0.0.1%3A9%2Fasked&back=%2F";
  const uint16_t port = static_cast<uint16_t>(std::stoi(host.substr(host.find(':') + 1)));
  const std::string post = "POST /play HTTP/1.1\r\nHost: " + host + "\r\nOrigin: http://" + host +
                           "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                           std::to_string(form.size()) + "\r\n\r\n";
  EXPECT_EQ(Ask(port, "GET /play HTTP/1.1\r\nHost: " + host + "\r\n\r\n").rfind("HTTP/1.1 405", 0), 0u);
  const std::string answer = Ask(port, post + form);
  EXPECT_EQ(answer.rfind("HTTP/1.1 303", 0), 0u) << answer.substr(0, 100);
  EXPECT_TRUE(PumpUntil([] { return LastUrl == "http://127.0.0.1:9/asked"; }, 2000)) << LastUrl;
  Form1->Free();
}

}  // namespace
