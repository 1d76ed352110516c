// TCustomHostedBrowser: the browser control as the document's host. MSHTML
// asks the control's client site for host information, context menus,
// keyboard accelerators, script-error handling, ambient properties and
// services; the site (a TOleSite with the document-host interfaces
// IDocHostUIHandler2, IDocHostShowUI, IOleCommandTarget, IServiceProvider
// and a focus-protection service) answers through the methods below, by
// the settings of this class.
//
// Threads: window thread only.
#pragma once

#include <windows.h>
#include <mshtmhst.h>

#include <string>

#include "browser/host_rules.h"
#include "browser/web_browser_win.h"

class TPopupMenu;

enum TScriptErrorAction { eaAskUser, eaContinue, eaCancel };
enum TUserAgentMode { uaDefault, uaInternal };

// The command group of the document host's commands (show script error ...).
extern const GUID CGID_DocHostCommandHandler;
// The shell's command group (command 39: the browser's windows are ready).
extern const GUID CGID_Explorer;

class TCustomHostedBrowser : public TWebBrowserWrapper {
 public:
  explicit TCustomHostedBrowser(TComponent* owner);

  // ---- Settings ----
  // Letters whose Ctrl shortcut the page never sees ("N": no Ctrl+N).
  const std::string& DisableCtrlShortcuts() const { return disable_ctrl_shortcuts_; }
  void SetDisableCtrlShortcuts(std::string keys) { disable_ctrl_shortcuts_ = std::move(keys); }
  // A set of TUserInterfaceOption; assigning recomputes HostFlags().
  TOptionSet UserInterfaceOptions() const { return ui_options_; }
  void SetUserInterfaceOptions(TOptionSet options);
  // A set of TDownloadOption; assigning recomputes DownloadControlFlags().
  TOptionSet DownloadOptions() const { return download_options_; }
  void SetDownloadOptions(TOptionSet options);
  uint32_t HostFlagSum() const { return host_flags_; }
  uint32_t DownloadControlFlags() const { return download_flags_; }
  // A set of TContextMenuKind: the browser's menus that are never shown.
  TOptionSet DisabledPopupMenus() const { return disabled_menus_; }
  void SetDisabledPopupMenus(TOptionSet kinds) { disabled_menus_ = kinds; }
  TScriptErrorAction ScriptErrorAction() const { return script_error_action_; }
  void SetScriptErrorAction(TScriptErrorAction action) { script_error_action_ = action; }
  TUserAgentMode UserAgentMode() const { return user_agent_mode_; }
  void SetUserAgentMode(TUserAgentMode mode) { user_agent_mode_ = mode; }
  const std::string& UserAgent() const { return user_agent_; }
  void SetUserAgent(std::string agent) { user_agent_ = std::move(agent); }
  // Shown at the cursor in place of every suppressed browser menu.
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* menu) { popup_menu_ = menu; }

  // ---- The host's answers (the site calls these; so may tests) ----
  HRESULT HostInfo(DOCHOSTUIINFO* info);
  // The cursor is read now, not taken from the browser's point.
  HRESULT HostContextMenu(DWORD menu_id);
  HRESULT HostTranslateAccelerator(const MSG* msg);
  HRESULT HostExec(const GUID* group, DWORD command, VARIANT* out);
  HRESULT HostDropTarget();
  // Ambient properties of the document host; false = not one of ours.
  bool HostAmbient(DISPID id, VARIANT* result);

 protected:
  TOleSite* CreateSite() override;
  void Notification(TComponent* component, TOperation operation) override;
  // The browser's windows are ready for focus tracking (command 39).
  virtual void FocusTrackingRequested() {}

 private:
  void DownloadControlChanged();

  std::string disable_ctrl_shortcuts_ = "N";
  TOptionSet ui_options_ = 0;
  TOptionSet download_options_ = 0;
  uint32_t host_flags_ = 0;
  uint32_t download_flags_ = 0;
  TOptionSet disabled_menus_ = 0;
  TScriptErrorAction script_error_action_ = eaAskUser;
  TUserAgentMode user_agent_mode_ = uaDefault;
  std::string user_agent_;
  TPopupMenu* popup_menu_ = nullptr;
  bool in_drop_target_ = false;
};
