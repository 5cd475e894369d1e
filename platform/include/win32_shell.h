// The shell's file dialogs (the COM objects behind the Open and Save
// dialogs), the folder browser, and the few COM basics they need. See
// win32.h.
//
// Here the dialogs are objects of the layer with nothing on screen: a test
// acts on each as its user (kvxtest_shell.h). Paths in the dialogs are
// Windows paths in UTF-16, as on Windows: "\tmp\job.kof" for /tmp/job.kof.
#pragma once

#include "win32_base.h"
#include "win32_file.h"
#include "win32_ui.h"  // WM_USER

// ---- COM basics ----
typedef LONG HRESULT;
#define S_OK ((HRESULT)0L)
#define S_FALSE ((HRESULT)1L)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define ERROR_CANCELLED 1223L
#define HRESULT_FROM_WIN32(x) \
  ((HRESULT)(x) <= 0 ? ((HRESULT)(x)) : ((HRESULT)(((x)&0x0000FFFF) | (7 << 16) | 0x80000000)))

typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
#define IsEqualIID(a, b) ((a) == (b))

#define STDMETHODCALLTYPE
#define COINIT_APARTMENTTHREADED 0x2
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

// ---- Shell items ----
typedef enum _SIGDN { SIGDN_NORMALDISPLAY = 0, SIGDN_FILESYSPATH = (int)0x80058000 } SIGDN;
typedef ULONG SFGAOF;
typedef DWORD SICHINTF;
struct IBindCtx : public IUnknown {};  // never used here: only passed as NULL
struct IPropertyStore;
struct IPropertyDescriptionList;
struct IEnumShellItems;
struct IShellItemFilter;

struct IShellItem : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE BindToHandler(IBindCtx* bc, REFGUID handler, REFIID riid, void** out) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParent(IShellItem** parent) = 0;
  // SIGDN_FILESYSPATH: the Windows path, allocated with CoTaskMemAlloc.
  virtual HRESULT STDMETHODCALLTYPE GetDisplayName(SIGDN form, LPWSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAttributes(SFGAOF mask, SFGAOF* attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE Compare(IShellItem* other, SICHINTF hint, int* order) = 0;
};

struct IShellItemArray : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE BindToHandler(IBindCtx* bc, REFGUID handler, REFIID riid, void** out) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropertyStore(int flags, REFIID riid, void** out) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropertyDescriptionList(const void* keyType, REFIID riid, void** out) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAttributes(int flags, SFGAOF mask, SFGAOF* attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetItemAt(DWORD index, IShellItem** item) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumItems(IEnumShellItems** items) = 0;
};

// ---- File dialogs ----
typedef struct _COMDLG_FILTERSPEC {
  LPCWSTR pszName;
  LPCWSTR pszSpec;
} COMDLG_FILTERSPEC;

typedef DWORD FILEOPENDIALOGOPTIONS;
#define FOS_OVERWRITEPROMPT 0x2
#define FOS_STRICTFILETYPES 0x4
#define FOS_NOCHANGEDIR 0x8
#define FOS_PICKFOLDERS 0x20
#define FOS_FORCEFILESYSTEM 0x40
#define FOS_PATHMUSTEXIST 0x800
#define FOS_FILEMUSTEXIST 0x1000
#define FOS_CREATEPROMPT 0x2000
#define FOS_ALLOWMULTISELECT 0x200

typedef enum FDE_SHAREVIOLATION_RESPONSE {
  FDESVR_DEFAULT = 0,
  FDESVR_ACCEPT = 1,
  FDESVR_REFUSE = 2
} FDE_SHAREVIOLATION_RESPONSE;
typedef enum FDE_OVERWRITE_RESPONSE { FDEOR_DEFAULT = 0, FDEOR_ACCEPT = 1, FDEOR_REFUSE = 2 } FDE_OVERWRITE_RESPONSE;
typedef enum FDAP { FDAP_BOTTOM = 0, FDAP_TOP = 1 } FDAP;

struct IFileDialogEvents;

struct IModalWindow : public IUnknown {
  // S_OK when the user chose, HRESULT_FROM_WIN32(ERROR_CANCELLED) on Cancel.
  virtual HRESULT STDMETHODCALLTYPE Show(HWND owner) = 0;
};

struct IFileDialog : public IModalWindow {
  virtual HRESULT STDMETHODCALLTYPE SetFileTypes(UINT count, const COMDLG_FILTERSPEC* types) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFileTypeIndex(UINT index) = 0;  // 1-based
  virtual HRESULT STDMETHODCALLTYPE GetFileTypeIndex(UINT* index) = 0;
  virtual HRESULT STDMETHODCALLTYPE Advise(IFileDialogEvents* events, DWORD* cookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOptions(FILEOPENDIALOGOPTIONS options) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOptions(FILEOPENDIALOGOPTIONS* options) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultFolder(IShellItem* item) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFolder(IShellItem* item) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFolder(IShellItem** item) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentSelection(IShellItem** item) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFileName(LPCWSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFileName(LPWSTR* name) = 0;  // CoTaskMemFree it
  virtual HRESULT STDMETHODCALLTYPE SetTitle(LPCWSTR title) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOkButtonLabel(LPCWSTR text) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFileNameLabel(LPCWSTR label) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetResult(IShellItem** item) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddPlace(IShellItem* item, FDAP place) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultExtension(LPCWSTR extension) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close(HRESULT hr) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetClientGuid(REFGUID guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearClientData() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFilter(IShellItemFilter* filter) = 0;
};

struct IFileOpenDialog : public IFileDialog {
  virtual HRESULT STDMETHODCALLTYPE GetResults(IShellItemArray** items) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSelectedItems(IShellItemArray** items) = 0;
};

struct IFileDialogEvents : public IUnknown {
  // S_FALSE keeps the dialog open.
  virtual HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog* dialog) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog* dialog, IShellItem* folder) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog* dialog) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog* dialog) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog* dialog, IShellItem* item,
                                                     FDE_SHAREVIOLATION_RESPONSE* response) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog* dialog) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog* dialog, IShellItem* item,
                                                FDE_OVERWRITE_RESPONSE* response) = 0;
};

// ---- The folder browser ----
// Item lists are byte-packed, as Windows lays them out.
#pragma pack(push, 1)
typedef struct _SHITEMID {
  USHORT cb;
  BYTE abID[1];
} SHITEMID;
typedef struct _ITEMIDLIST {
  SHITEMID mkid;
} ITEMIDLIST;
#pragma pack(pop)
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;
typedef ITEMIDLIST* PIDLIST_ABSOLUTE;
typedef const ITEMIDLIST* PCIDLIST_ABSOLUTE;

typedef int(CALLBACK* BFFCALLBACK)(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data);

typedef struct _browseinfoA {
  HWND hwndOwner;
  PCIDLIST_ABSOLUTE pidlRoot;
  LPSTR pszDisplayName;  // MAX_PATH bytes: the chosen folder's name
  LPCSTR lpszTitle;
  UINT ulFlags;
  BFFCALLBACK lpfn;
  LPARAM lParam;
  int iImage;
} BROWSEINFOA, *LPBROWSEINFOA;

#define BIF_RETURNONLYFSDIRS 0x00000001
#define BIF_STATUSTEXT 0x00000004
#define BIF_EDITBOX 0x00000010
#define BIF_VALIDATE 0x00000020
#define BIF_NEWDIALOGSTYLE 0x00000040
#define BIF_NONEWFOLDERBUTTON 0x00000200

// Callback messages (to the callback) and messages to the browser window.
#define BFFM_INITIALIZED 1
#define BFFM_SELCHANGED 2
#define BFFM_VALIDATEFAILEDA 3
#define BFFM_SETSTATUSTEXTA (WM_USER + 100)
#define BFFM_ENABLEOK (WM_USER + 101)
#define BFFM_SETSELECTIONA (WM_USER + 102)

extern "C" {
KVX_PLATFORM_API extern const IID IID_IUnknown;
KVX_PLATFORM_API extern const IID IID_IFileDialog;
KVX_PLATFORM_API extern const IID IID_IFileOpenDialog;
KVX_PLATFORM_API extern const IID IID_IFileDialogEvents;
KVX_PLATFORM_API extern const IID IID_IShellItem;
KVX_PLATFORM_API extern const CLSID CLSID_FileOpenDialog;
KVX_PLATFORM_API extern const CLSID CLSID_FileSaveDialog;

KVX_PLATFORM_API HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit);
KVX_PLATFORM_API void WINAPI CoUninitialize(void);
// Makes the file dialogs (CLSID_FileOpenDialog, CLSID_FileSaveDialog) for
// IID_IFileDialog, IID_IFileOpenDialog (open only) or IID_IUnknown.
KVX_PLATFORM_API HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                                                 LPVOID* object);
KVX_PLATFORM_API LPVOID WINAPI CoTaskMemAlloc(SIZE_T size);
KVX_PLATFORM_API void WINAPI CoTaskMemFree(LPVOID memory);
// A shell item for a Windows path; the item need not exist.
KVX_PLATFORM_API HRESULT WINAPI SHCreateItemFromParsingName(LPCWSTR path, IBindCtx* bc, REFIID riid, void** item);

// The folder browser: the chosen folder's item list (free it with
// CoTaskMemFree), NULL on Cancel.
KVX_PLATFORM_API PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderA(LPBROWSEINFOA info);
// Writes the item list's path (at most MAX_PATH bytes with the terminator,
// ANSI); FALSE and "" when it has none.
KVX_PLATFORM_API BOOL WINAPI SHGetPathFromIDListA(PCIDLIST_ABSOLUTE pidl, LPSTR path);
KVX_PLATFORM_API PIDLIST_ABSOLUTE WINAPI ILCreateFromPathA(LPCSTR path);
KVX_PLATFORM_API void WINAPI ILFree(PIDLIST_ABSOLUTE pidl);
}
