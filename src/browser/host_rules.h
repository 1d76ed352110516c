// The browser host's portable rules: the option sets behind the host and
// download-control flags, which context menus are suppressed, the Ctrl
// shortcut filter, and the decisions of the window integration (dialog
// captions, dialog actions, the mouse-wheel redirection). Pure functions;
// any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// ---- User-interface options: member k stands for a DOCHOSTUIFLAG value ----
enum TUserInterfaceOption {
  DisableTextSelect, DisableHelpMenu, DontUse3DBorders, DontUseScrollBars,
  PostponeScriptUntilActive, ForceOpenNewWindow, Reserved_OFFSCREEN, ForceFlatScrollBars,
  InsertDivTagOnEditMode, ActivateUIOnlyOnDocClick, ConsultBeforeRetrievingBehavior,
  CheckFontSupportsCodePage, DisableSubmitUrlInUTF8, EnableSubmitUrlInUTF8,
  EnablesFormsAutoComplete, ForceSameWindowNavigation, EmableImeLocalLanguages, EnableThemes,
  DisableThemes, DisablePicsRatings, DisableFrameSetBorder, DisablesAutoNameSpaceCorrection,
  DisableLocalFileAccess, DisableUntrustedProtocol, CheckNavigationDelegatedToHost,
  EnableRedirectNotification, EnableDomWindlessControls, EnableWindowedControls,
  ForceUserActivationOnActiveXJava,
};

// ---- Download options: member k stands for a DLCTL value ----
enum TDownloadOption {
  DownloadImages, DownloadVideos, DownloadBGSounds, DontExecuteScripts, DontExecuteJava,
  DontExecuteActiveX, DontDownloadActiveX, DownloadButDontDisplay, DontDownloadFrame,
  CheckPageResynchronize, DownloadAndIgnoreCache, DontDownloadBehaviors, SuppressedMetaCharset,
  DisableUrlIfEncodingUTF8, EnableUrlIfEncodingUTF8, ForceOfflineMode, DontPerformClientPull,
  DownloadInSilentMode, WorkOffline,
};

// ---- Context-menu kinds: 0..9 are the menu identifiers the browser passes ----
enum TContextMenuKind {
  rcmDefault, rcmImage, rcmControl, rcmTable, rcmSelText, rcmAnchor, rcmUnKnown, rcmImageArt,
  rcmImgDynSrc, rcmDebug, rcmAll,
};

// A set of one of the enumerations above: bit k = member with ordinal k.
using TOptionSet = uint32_t;

template <class E, class... Rest>
constexpr TOptionSet OptionSet(E first, Rest... rest) {
  return (TOptionSet{1} << first) | ((TOptionSet{1} << rest) | ... | TOptionSet{0});
}
constexpr bool InSet(TOptionSet set, int member) { return (set >> member) & 1u; }

// The host flags of a set of user-interface options: 2^k for k = 0..14,
// 2^(k+1) for k = 15..28 (no member stands for 0x8000).
uint32_t HostFlags(TOptionSet ui_options);

// The download-control flags of a set of download options: 2^(k+4) for
// k = 0..14, 2^(k+13) for k = 15..18.
uint32_t DownloadFlags(TOptionSet download_options);

// True when the browser's context menu `menu_id` is suppressed by
// `disabled_menus` (a set of TContextMenuKind): rcmAll covers every
// identifier, kinds 0..9 the identifier with their ordinal.
bool IsContextMenuDisabled(TOptionSet disabled_menus, uint32_t menu_id);

// The keyboard filter: true when the message is to be swallowed. That is
// when `disabled_keys` is not empty, the message is a key-down (0x100), the
// shift state is exactly Ctrl (Ctrl down, Shift up, and Alt up as bit 29 of
// `key_data` says) and the character whose code is the low byte of
// `virtual_key` occurs in `disabled_keys` (case-sensitive).
bool SwallowCtrlShortcut(std::string_view disabled_keys, uint32_t message, uint32_t virtual_key,
                         uint32_t key_data, bool ctrl_down, bool shift_down);

// A browser dialog's caption as the host shows it: every "Microsoft "
// removed, then every "Internet Explorer" replaced with `new_caption`
// (both case-sensitive).
std::string ReplaceDialogCaption(std::string_view caption, std::string_view new_caption);

enum class DialogAction {
  kNone,           // left as it is
  kClickAndClose,  // a script-error dialog: clicked, closed
  kDestroy,        // an error dialog: destroyed
};

// What happens to a browser dialog that became active, by its caption (after
// ReplaceDialogCaption) and extended window style: with script errors
// suppressed, "SCRIPT" anywhere in the upper-cased caption clicks and closes
// it; otherwise "ERROR" in it, or an extended style whose absolute value is
// 4260097, destroys it.
DialogAction DecideDialogAction(bool script_errors_suppressed, std::string_view caption,
                                int32_t ex_style);

// True for the class names of the dialogs the host watches.
bool IsSupervisedDialogClass(std::string_view class_name);

// The mouse-wheel redirection: a wheel turn over a browser (`over_browser`)
// moves the focus to the page and is discarded when the focus is not inside
// that browser (`focus_in_browser`) or is on its document view
// (`focus_on_doc_view`); otherwise it scrolls as usual.
bool RedirectWheelToFocus(bool over_browser, bool focus_in_browser, bool focus_on_doc_view);
