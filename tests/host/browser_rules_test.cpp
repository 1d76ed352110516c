// The catalogue browser's portable rules: link schemes, the host's flag sums,
// suppressed menus, the Ctrl shortcut filter, dialog captions and actions,
// the wheel redirection.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "browser/host_rules.h"
#include "browser/link_rules.h"

namespace {

constexpr char kHome[] = "http://radio.volnar.ru";

TEST(LinkRules, NavigationSchemes) {
  const struct { const char* address; LinkKind kind; const char* rest; } cases[] = {
      {"new:http://radio.volnar.ru/about", LinkKind::kNew, "http://radio.volnar.ru/about"},
      {"new:", LinkKind::kNew, ""},
      {"new:new:x", LinkKind::kNew, "new:x"},
      {"play:http://127.0.0.1:8000/stream", LinkKind::kPlay, "http://127.0.0.1:8000/stream"},
      {"play:", LinkKind::kPlay, ""},
      {"play: http://x/%20a ", LinkKind::kPlay, " http://x/%20a "},  // nothing trimmed or decoded
      {"play:new:x", LinkKind::kPlay, "new:x"},
      {"playmain:http://x/", LinkKind::kOther, ""},  // read from completed pages instead
      {"NEW:http://x/", LinkKind::kOther, ""},
      {"Play:http://x/", LinkKind::kOther, ""},
      {"ne", LinkKind::kOther, ""},
      {"pla", LinkKind::kOther, ""},
      {"", LinkKind::kOther, ""},
      {"http://radio.volnar.ru", LinkKind::kCatalogueHome, ""},
      {"http://radio.volnar.ru/", LinkKind::kOther, ""},
      {"HTTP://radio.volnar.ru", LinkKind::kOther, ""},
      {"http://radio.volnar.ru/?x", LinkKind::kOther, ""},
      {"about:blank", LinkKind::kOther, ""},
  };
  for (const auto& c : cases) {
    const LinkDecision d = ClassifyNavigation(c.address, kHome);
    EXPECT_EQ(d.kind, c.kind) << c.address;
    EXPECT_EQ(d.rest, c.rest) << c.address;
  }
  EXPECT_EQ(CatalogueHomeAddress("radio.volnar.ru"), kHome);
}

TEST(LinkRules, OnlyWebAddressesGoToTheShell) {
  const struct { const char* address; bool web; } cases[] = {
      {"http://radio.volnar.ru/", true},   {"https://radio.volnar.ru/", true},
      {"HTTP://X/", true},                 {"hTtPs://x", true},
      {"http://", true},                   {"file:///C:/Windows/notepad.exe", false},
      {"C:\\Windows\\notepad.exe", false}, {"notepad", false},
      {"mailto:a@b", false},               {"javascript:alert(1)", false},
      {"\\\\server\\share\\x.exe", false}, {" http://x/", false},
      {"http:/x", false},                  {"httpx://x", false},
      {"https:", false},                   {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsWebAddress(c.address), c.web) << c.address;
}

TEST(LinkRules, OnlyCataloguePagesAndThePlaceholderDriveThePlayer) {
  const struct { std::string page; bool drives; } cases[] = {
      {"http://radio.volnar.ru/", true},
      {"https://Radio.Volnar.RU/genre?x#y", true},
      {"http://radio.volnar.ru", true},
      {kPlaceholderPage, true},
      {std::string(kPlaceholderPage) + " ", false},
      {"about:blank", false},
      {"http://radio.volnar.ru.evil.example/", false},
      {"http://evil.example/radio.volnar.ru/", false},
      {"http://radio.volnar.ru@evil.example/", false},
      {"res://ieframe.dll/dnserror.htm#http://radio.volnar.ru/", false},
      {"file:///C:/radio.volnar.ru/", false},
      {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PageMayDrivePlayer(c.page, "radio.volnar.ru"), c.drives) << c.page;
  EXPECT_FALSE(PageMayDrivePlayer("http://radio.volnar.ru/", ""));
}

TEST(LinkRules, ShellAddressesAreQuotedOrRefused) {
  const struct { const char* address; std::optional<std::string> shell; } cases[] = {
      {"http://example.com/a", "http://example.com/a"},
      {"http://example.com/a b", "http://example.com/a%20b"},
      {"https://x/\"  -arg \"", "https://x/%22%20%20-arg%20%22"},
      {"http://x/?q=%22already%22", "http://x/?q=%22already%22"},
      {"http://x/\xd0\xb0", "http://x/\xd0\xb0"},  // CP1251 letters pass to the wide call
      {"http://x/\ta", std::nullopt},
      {"http://x/\n", std::nullopt},
      {"http://x/\x7f", std::nullopt},
      {"file:///C:/a b", std::nullopt},
      {"notepad", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ShellWebAddress(c.address), c.shell) << c.address;
}

TEST(LinkRules, DefaultStationLinks) {
  const struct { const char* link; std::optional<std::string> rest; } cases[] = {
      {"playmain:http://127.0.0.1:8000/a", "http://127.0.0.1:8000/a"},
      {"playmain:", ""},
      {"playmain:playmain:x", "playmain:x"},
      {"PlayMain:http://x/", std::nullopt},
      {"playMain:http://x/", std::nullopt},
      {"play:http://x/", std::nullopt},
      {"playmai", std::nullopt},
      {"http://radio.volnar.ru/", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(PlayMainRest(c.link), c.rest) << c.link;
}

TEST(HostRules, FlagSumsOfTheOptionSets) {
  // The configured sets and the component's defaults.
  EXPECT_EQ(HostFlags(OptionSet(DontUse3DBorders, EnablesFormsAutoComplete, DisableThemes,
                                DisableFrameSetBorder)),
            0x284004u);
  EXPECT_EQ(HostFlags(OptionSet(EnablesFormsAutoComplete, EnableThemes)), 0x44000u);
  EXPECT_EQ(DownloadFlags(OptionSet(DownloadImages, DownloadVideos, DownloadBGSounds)), 0x70u);
  EXPECT_EQ(HostFlags(0), 0u);
  EXPECT_EQ(DownloadFlags(0), 0u);
  // Each member on its own: the published values, with the gap at 0x8000
  // (host flags) and between 0x40000 and 0x10000000 (download control).
  const struct { TUserInterfaceOption option; uint32_t flag; } ui[] = {
      {DisableTextSelect, 0x1},          {DontUseScrollBars, 0x8},
      {Reserved_OFFSCREEN, 0x40},        {EnablesFormsAutoComplete, 0x4000},
      {ForceSameWindowNavigation, 0x10000}, {EnableThemes, 0x40000},
      {DisableLocalFileAccess, 0x800000},   {DisableUntrustedProtocol, 0x1000000},
      {ForceUserActivationOnActiveXJava, 0x20000000},
  };
  for (const auto& c : ui) EXPECT_EQ(HostFlags(OptionSet(c.option)), c.flag) << c.option;
  const struct { TDownloadOption option; uint32_t flag; } dl[] = {
      {DownloadImages, 0x10},        {DontExecuteScripts, 0x80},
      {DontDownloadFrame, 0x1000},   {EnableUrlIfEncodingUTF8, 0x40000},
      {ForceOfflineMode, 0x10000000}, {DontPerformClientPull, 0x20000000},
      {DownloadInSilentMode, 0x40000000}, {WorkOffline, 0x80000000},
  };
  for (const auto& c : dl) EXPECT_EQ(DownloadFlags(OptionSet(c.option)), c.flag) << c.option;
  // All members at once: every flag but the gaps.
  TOptionSet all_ui = 0;
  for (int k = 0; k <= ForceUserActivationOnActiveXJava; ++k) all_ui |= TOptionSet{1} << k;
  EXPECT_EQ(HostFlags(all_ui), 0x3FFF7FFFu);
  TOptionSet all_dl = 0;
  for (int k = 0; k <= WorkOffline; ++k) all_dl |= TOptionSet{1} << k;
  EXPECT_EQ(DownloadFlags(all_dl), 0xF007FFF0u);
}

TEST(HostRules, SuppressedContextMenus) {
  for (uint32_t id = 0; id < 16; ++id) {
    EXPECT_TRUE(IsContextMenuDisabled(OptionSet(rcmAll), id)) << id;
    EXPECT_FALSE(IsContextMenuDisabled(0, id)) << id;
  }
  const TOptionSet some = OptionSet(rcmImage, rcmAnchor, rcmDebug);
  EXPECT_TRUE(IsContextMenuDisabled(some, 1));
  EXPECT_TRUE(IsContextMenuDisabled(some, 5));
  EXPECT_TRUE(IsContextMenuDisabled(some, 9));
  EXPECT_FALSE(IsContextMenuDisabled(some, 0));
  EXPECT_FALSE(IsContextMenuDisabled(some, 4));
  EXPECT_FALSE(IsContextMenuDisabled(some, 10));  // no kind stands for 10 itself
  EXPECT_FALSE(IsContextMenuDisabled(OptionSet(rcmDefault), 0x100));
}

TEST(HostRules, CtrlShortcutFilter) {
  constexpr uint32_t kDown = 0x100, kUp = 0x101, kChar = 0x102, kSysDown = 0x104;
  constexpr uint32_t kAlt = 1u << 29;
  const struct {
    const char* keys; uint32_t msg; uint32_t vk; uint32_t data; bool ctrl, shift; bool swallow;
  } cases[] = {
      {"N", kDown, 'N', 0x310001, true, false, true},        // Ctrl+N
      {"N", kDown, 'N', 0, true, true, false},               // Ctrl+Shift+N
      {"N", kDown, 'N', kAlt, true, false, false},           // Ctrl+Alt+N
      {"N", kSysDown, 'N', kAlt, true, false, false},
      {"N", kDown, 'C', 0, true, false, false},              // Ctrl+C
      {"N", kDown, 'V', 0, true, false, false},
      {"N", kDown, 'N', 0, false, false, false},             // plain N
      {"N", kUp, 'N', 0, true, false, false},
      {"N", kChar, 'N', 0, true, false, false},
      {"", kDown, 'N', 0, true, false, false},
      {"n", kDown, 'N', 0, true, false, false},              // letters match upper case only
      {"NOP", kDown, 'P', 0, true, false, true},
      {"N", kDown, 0x14E, 0, true, false, true},             // the low byte counts
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SwallowCtrlShortcut(c.keys, c.msg, c.vk, c.data, c.ctrl, c.shift), c.swallow)
        << c.keys << " " << c.msg << " " << c.vk << " ctrl " << c.ctrl << " shift " << c.shift;
  }
}

TEST(HostRules, DialogCaptions) {
  const struct { const char* caption; const char* replacement; const char* shown; } cases[] = {
      {"Microsoft Internet Explorer", "", ""},
      {"Internet Explorer Script Error", "", " Script Error"},
      {"Script Error - Microsoft Internet Explorer", "Volnar", "Script Error - Volnar"},
      {"Microsoft Microsoft Word", "", "Word"},
      {"microsoft internet explorer", "", "microsoft internet explorer"},
      {"MicrosoftInternet Explorer", "X", "MicrosoftX"},
      {"Internet ExplorerInternet Explorer", "ab", "abab"},
      {"Internet Explorer", "Internet Explorer", "Internet Explorer"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceDialogCaption(c.caption, c.replacement), c.shown) << c.caption;
  }
}

TEST(HostRules, DialogActions) {
  const struct { bool suppressed; const char* caption; int32_t ex; DialogAction action; } cases[] = {
      {true, " Script Error", 0, DialogAction::kClickAndClose},
      {true, "script", 0, DialogAction::kClickAndClose},
      {true, "Error in script", 0, DialogAction::kClickAndClose},  // script wins
      {true, "Error", 0, DialogAction::kDestroy},
      {true, "Some eRRoR here", 0, DialogAction::kDestroy},
      {true, "Security", 4260097, DialogAction::kDestroy},
      {true, "Security", -4260097, DialogAction::kDestroy},
      {true, "Security", 4260096, DialogAction::kNone},
      {true, "Волнар-радио", 0, DialogAction::kNone},
      {true, "", 0, DialogAction::kNone},
      {false, "Script Error", 4260097, DialogAction::kNone},
      {false, "Error", 0, DialogAction::kNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecideDialogAction(c.suppressed, c.caption, c.ex), c.action)
        << c.caption << " " << c.ex << " " << c.suppressed;
  }
  EXPECT_TRUE(IsSupervisedDialogClass("#32770"));
  EXPECT_TRUE(IsSupervisedDialogClass("Internet Explorer_TridentDlgFrame"));
  EXPECT_FALSE(IsSupervisedDialogClass("#32771"));
  EXPECT_FALSE(IsSupervisedDialogClass(""));
  EXPECT_FALSE(IsSupervisedDialogClass("internet explorer_tridentdlgframe"));
}

TEST(HostRules, WheelRedirection) {
  const struct { bool over, in, view, redirect; } cases[] = {
      {true, false, false, true},   // focus elsewhere: the first turn focuses the page
      {true, true, true, true},     // focus on the document view only: the same
      {true, true, false, false},   // focus in the page: the turn scrolls
      {false, false, false, false}, {false, true, true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RedirectWheelToFocus(c.over, c.in, c.view), c.redirect)
        << c.over << c.in << c.view;
  }
}

}  // namespace
