// Test control of the shell's file dialogs and folder browser (see
// win32_shell.h): a hook acts as the user while a dialog is shown. The UI
// driver (testing/shell_driver.h) builds on these. Texts are UTF-8; paths
// are host paths ("/tmp/job.kof").
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "win32_shell.h"

// ---- File dialogs ----
struct KvxFileDlg;
// Called while a file dialog is shown. When it returns, a dialog that has
// not ended is cancelled. Without a hook every dialog is cancelled at once
// (noted on stderr).
typedef void (*KvxFileDialogHook)(KvxFileDlg* dialog);
KVX_PLATFORM_API KvxFileDialogHook kvxShellSetFileDialogHook(KvxFileDialogHook hook);
// The next CoCreateInstance of a file dialog fails (no shell dialog).
KVX_PLATFORM_API void kvxShellFailNextFileDialog(void);

KVX_PLATFORM_API bool kvxFileDlgIsSave(const KvxFileDlg* d);
KVX_PLATFORM_API HWND kvxFileDlgOwner(const KvxFileDlg* d);
KVX_PLATFORM_API DWORD kvxFileDlgOptions(const KvxFileDlg* d);
KVX_PLATFORM_API std::string kvxFileDlgTitle(const KvxFileDlg* d);
// The file types (display name, pattern) and the chosen one (1-based).
KVX_PLATFORM_API std::vector<std::pair<std::string, std::string>> kvxFileDlgTypes(const KvxFileDlg* d);
KVX_PLATFORM_API UINT kvxFileDlgTypeIndex(const KvxFileDlg* d);
// The folder shown, and the text of the file-name box.
KVX_PLATFORM_API std::string kvxFileDlgFolder(const KvxFileDlg* d);
KVX_PLATFORM_API std::string kvxFileDlgFileName(const KvxFileDlg* d);
KVX_PLATFORM_API bool kvxFileDlgEnded(const KvxFileDlg* d);

// Chooses a file type (1-based) as the user does: the events hear of it.
KVX_PLATFORM_API void kvxFileDlgChooseType(KvxFileDlg* d, UINT index);
// Types into the file-name box.
KVX_PLATFORM_API void kvxFileDlgTypeName(KvxFileDlg* d, const std::string& name);
// Presses OK with these files chosen (none: the name in the box, in the
// folder shown unless it is a full path). True when the dialog ended; false
// when it stays open: the events refused, or the dialog itself refused (a
// file that must exist does not, several files where one is allowed).
KVX_PLATFORM_API bool kvxFileDlgOk(KvxFileDlg* d, const std::vector<std::string>& paths);
KVX_PLATFORM_API void kvxFileDlgCancel(KvxFileDlg* d);

// ---- The folder browser ----
struct KvxBrowser;
typedef void (*KvxBrowserHook)(KvxBrowser* browser);
KVX_PLATFORM_API KvxBrowserHook kvxShellSetBrowserHook(KvxBrowserHook hook);

KVX_PLATFORM_API HWND kvxBrowserWindow(const KvxBrowser* b);
KVX_PLATFORM_API HWND kvxBrowserOwner(const KvxBrowser* b);
KVX_PLATFORM_API UINT kvxBrowserFlags(const KvxBrowser* b);
KVX_PLATFORM_API std::string kvxBrowserTitle(const KvxBrowser* b);
KVX_PLATFORM_API std::string kvxBrowserRoot(const KvxBrowser* b);       // "" for the desktop
KVX_PLATFORM_API std::string kvxBrowserSelection(const KvxBrowser* b);  // "" when none
KVX_PLATFORM_API std::string kvxBrowserStatus(const KvxBrowser* b);
KVX_PLATFORM_API bool kvxBrowserEnded(const KvxBrowser* b);

// Selects an existing folder (below the root) as the user does; false when
// it cannot be selected.
KVX_PLATFORM_API bool kvxBrowserSelect(KvxBrowser* b, const std::string& folder);
// OK on the selection; false when there is none (the browser stays open).
KVX_PLATFORM_API bool kvxBrowserOk(KvxBrowser* b);
// Types a folder into the edit box (BIF_EDITBOX) and presses OK: an
// existing folder is the result; another text goes to the callback
// (BIF_VALIDATE), which keeps the browser open (false) or ends it with no
// result. Relative texts are taken below the selection.
KVX_PLATFORM_API bool kvxBrowserTypeOk(KvxBrowser* b, const std::string& text);
KVX_PLATFORM_API void kvxBrowserCancel(KvxBrowser* b);
