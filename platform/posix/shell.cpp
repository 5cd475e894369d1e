// The shell's file dialogs and folder browser, with nothing on screen: a
// test's hook acts as the user (kvxtest_shell.h).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "kvxtest_shell.h"
#include "wide.h"

extern "C" {
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IFileDialog = {0x42F85136, 0xDB7E, 0x439C, {0x85, 0xF1, 0xE4, 0x07, 0x5D, 0x13, 0x5F, 0xC8}};
const IID IID_IFileOpenDialog = {0xD57C7288, 0xD4AD, 0x4768, {0xBE, 0x02, 0x9D, 0x96, 0x95, 0x32, 0xD9, 0x60}};
const IID IID_IFileDialogEvents = {0x973510DB, 0x7D7F, 0x452B, {0x89, 0x75, 0x74, 0xA8, 0x58, 0x28, 0xD3, 0x54}};
const IID IID_IShellItem = {0x43826D1E, 0xE718, 0x42EE, {0xBC, 0x55, 0xA1, 0xE2, 0x61, 0xC3, 0x7B, 0xFE}};
const CLSID CLSID_FileOpenDialog = {0xDC1C5A9C, 0xE88A, 0x4DDE, {0xA5, 0xA1, 0x60, 0xF8, 0x2A, 0x20, 0xAE, 0xF7}};
const CLSID CLSID_FileSaveDialog = {0xC0B4E2F3, 0xBA21, 0x4773, {0x8D, 0xBA, 0x33, 0x5E, 0xC9, 0x46, 0xEB, 0x8B}};
}

namespace {

const HRESULT kCancelled = HRESULT_FROM_WIN32(ERROR_CANCELLED);
const HRESULT kUnexpected = (HRESULT)0x8000FFFFL;
const HRESULT kClassNotRegistered = (HRESULT)0x80040154L;

KvxFileDialogHook gFileHook = nullptr;
KvxBrowserHook gBrowserHook = nullptr;
std::atomic<bool> gFailNextDialog{false};

// Windows paths (UTF-16, '\') and host paths (UTF-8, '/').
std::u16string sWinPath(const std::string& host) {
  std::u16string w = sKvxToWide(host, CP_UTF8);
  for (char16_t& c : w)
    if (c == u'/') c = u'\\';
  return w;
}

std::string sHostPath(const std::u16string& win) {
  std::u16string w = win;
  if (w.size() >= 2 && w[1] == u':') w.erase(0, 2);
  for (char16_t& c : w)
    if (c == u'\\') c = u'/';
  return sKvxFromWide(w, CP_UTF8);
}

bool boIsDir(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool boExists(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0;
}

std::string sCurrentDir() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? buf : "/";
}

std::string sJoin(const std::string& dir, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string sNamePart(const std::string& host) {
  size_t p = host.find_last_of('/');
  return p == std::string::npos ? host : host.substr(p + 1);
}

LPWSTR pTaskCopy(const std::u16string& s) {
  LPWSTR p = (LPWSTR)CoTaskMemAlloc((s.size() + 1) * sizeof(WCHAR));
  if (!p) return nullptr;
  memcpy(p, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
  return p;
}

std::u16string sWide(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(); }

// Reference counting shared by the layer's objects.
template <class Base>
struct Counted : public Base {
  ULONG refs = 1;
  virtual ~Counted() = default;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs;
    if (n == 0) delete this;
    return n;
  }
};

struct ShellItem : public Counted<IShellItem> {
  std::u16string path;  // Windows form
  explicit ShellItem(std::u16string p) : path(std::move(p)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IShellItem) {
      AddRef();
      *out = static_cast<IShellItem*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE BindToHandler(IBindCtx*, REFGUID, REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetParent(IShellItem** parent) override {
    if (parent) *parent = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayName(SIGDN, LPWSTR* name) override {
    if (!name) return E_POINTER;
    *name = pTaskCopy(path);
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE GetAttributes(SFGAOF, SFGAOF* attributes) override {
    if (attributes) *attributes = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Compare(IShellItem* other, SICHINTF, int* order) override {
    ShellItem* o = static_cast<ShellItem*>(other);
    int c = o ? path.compare(o->path) : 1;
    if (order) *order = c;
    return c == 0 ? S_OK : S_FALSE;
  }
};

struct ItemArray : public Counted<IShellItemArray> {
  std::vector<std::u16string> paths;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IUnknown*>(this);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BindToHandler(IBindCtx*, REFGUID, REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetPropertyStore(int, REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetPropertyDescriptionList(const void*, REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetAttributes(int, SFGAOF, SFGAOF* attributes) override {
    if (attributes) *attributes = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
    if (!count) return E_POINTER;
    *count = (DWORD)paths.size();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetItemAt(DWORD index, IShellItem** item) override {
    if (!item) return E_POINTER;
    *item = index < paths.size() ? new ShellItem(paths[index]) : nullptr;
    return *item ? S_OK : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE EnumItems(IEnumShellItems** items) override {
    if (items) *items = nullptr;
    return E_NOTIMPL;
  }
};

}  // namespace

// The dialog object; also what the test's hook acts on.
struct KvxFileDlg : public Counted<IFileOpenDialog> {
  bool save = false;
  std::vector<std::pair<std::u16string, std::u16string>> types;
  UINT typeIndex = 0;
  FILEOPENDIALOGOPTIONS options = 0;
  std::u16string folder, defaultFolder, fileName, title;
  IFileDialogEvents* events = nullptr;
  DWORD cookie = 0;
  std::vector<std::u16string> results;
  HWND owner = nullptr;
  bool showing = false, ended = false, chosen = false;

  explicit KvxFileDlg(bool isSave) : save(isSave) {
    options = isSave ? FOS_OVERWRITEPROMPT | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR | 0x8000
                     : FOS_PATHMUSTEXIST | FOS_FILEMUSTEXIST | FOS_NOCHANGEDIR;
  }
  ~KvxFileDlg() override {
    if (events) events->Release();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IFileDialog || (!save && riid == IID_IFileOpenDialog)) {
      AddRef();
      *out = static_cast<IFileOpenDialog*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE Show(HWND ownerWindow) override {
    if (showing) return kUnexpected;
    owner = ownerWindow;
    showing = true;
    ended = chosen = false;
    results.clear();
    if (gFileHook)
      gFileHook(this);
    else
      fprintf(stderr, "file dialog \"%s\" shown with no test hook: cancelled\n", sKvxFromWide(title, CP_UTF8).c_str());
    showing = false;
    ended = true;
    return chosen ? S_OK : kCancelled;
  }

  HRESULT STDMETHODCALLTYPE SetFileTypes(UINT count, const COMDLG_FILTERSPEC* spec) override {
    if (!types.empty()) return kUnexpected;  // once only, as on Windows
    if (count && !spec) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) types.push_back({sWide(spec[i].pszName), sWide(spec[i].pszSpec)});
    if (count && typeIndex == 0) typeIndex = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetFileTypeIndex(UINT index) override {
    if (index < 1 || index > types.size()) return E_INVALIDARG;
    typeIndex = index;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFileTypeIndex(UINT* index) override {
    if (!index) return E_POINTER;
    *index = typeIndex;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IFileDialogEvents* sink, DWORD* outCookie) override {
    if (!sink || !outCookie) return E_INVALIDARG;
    if (events) return kUnexpected;  // one sink is all the module attaches
    events = sink;
    events->AddRef();
    *outCookie = cookie = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD c) override {
    if (!events || c != cookie) return E_INVALIDARG;
    IFileDialogEvents* e = events;
    events = nullptr;
    cookie = 0;
    e->Release();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetOptions(FILEOPENDIALOGOPTIONS o) override {
    options = o;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetOptions(FILEOPENDIALOGOPTIONS* o) override {
    if (!o) return E_POINTER;
    *o = options;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetDefaultFolder(IShellItem* item) override {
    if (!item) return E_INVALIDARG;
    defaultFolder = static_cast<ShellItem*>(item)->path;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetFolder(IShellItem* item) override {
    if (!item) return E_INVALIDARG;
    folder = static_cast<ShellItem*>(item)->path;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFolder(IShellItem** item) override {
    if (!item) return E_POINTER;
    *item = new ShellItem(sWinPath(sFolderHost()));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCurrentSelection(IShellItem** item) override {
    if (!item) return E_POINTER;
    *item = fileName.empty() ? nullptr : new ShellItem(sWinPath(sJoin(sFolderHost(), sHostPath(fileName))));
    return *item ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE SetFileName(LPCWSTR name) override {
    fileName = sWide(name);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFileName(LPWSTR* name) override {
    if (!name) return E_POINTER;
    *name = pTaskCopy(fileName);
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE SetTitle(LPCWSTR t) override {
    title = sWide(t);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetOkButtonLabel(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetFileNameLabel(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetResult(IShellItem** item) override {
    if (!item) return E_POINTER;
    *item = nullptr;
    if (!chosen || results.empty()) return kUnexpected;
    *item = new ShellItem(results[0]);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddPlace(IShellItem*, FDAP) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetDefaultExtension(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(HRESULT) override {
    if (showing) ended = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetClientGuid(REFGUID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ClearClientData() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetFilter(IShellItemFilter*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetResults(IShellItemArray** items) override {
    if (!items) return E_POINTER;
    *items = nullptr;
    if (!chosen) return kUnexpected;
    ItemArray* a = new ItemArray;
    a->paths = results;
    *items = a;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSelectedItems(IShellItemArray** items) override { return GetResults(items); }

  std::string sFolderHost() const {
    if (!folder.empty()) return sHostPath(folder);
    if (!defaultFolder.empty()) return sHostPath(defaultFolder);
    return sCurrentDir();
  }
};

struct KvxBrowser {
  HWND hwnd = nullptr;
  const BROWSEINFOA* info = nullptr;
  std::string root, selection, status;  // host paths, status as given (ANSI)
  bool ended = false;
  std::string result;  // host path; "" none
};

namespace {

std::string sAnsiToHost(const char* ansi) {
  char host[4096];
  if (!ansi || KvxPlatformHostPath(ansi, host, sizeof host) < 0) return "";
  return host;
}

std::string sHostToAnsi(const std::string& host) {
  char win[4096];
  if (KvxPlatformWindowsPath(host.c_str(), win, sizeof win) < 0) return "";
  return win;
}

// Our item lists hold one item: the folder's path (ANSI), terminated, then
// the list's terminating zero.
PIDLIST_ABSOLUTE pMakePidl(const std::string& ansiPath) {
  size_t n = ansiPath.size() + 1;
  if (n + 2 > 0xFFFF) return nullptr;
  BYTE* p = (BYTE*)CoTaskMemAlloc(2 + n + 2);
  if (!p) return nullptr;
  USHORT cb = (USHORT)(2 + n);
  memcpy(p, &cb, 2);
  memcpy(p + 2, ansiPath.c_str(), n);
  memset(p + 2 + n, 0, 2);
  return (PIDLIST_ABSOLUTE)p;
}

bool boUnderRoot(const KvxBrowser* b, const std::string& path) {
  if (b->root.empty()) return true;
  std::string r = b->root;
  if (r.back() != '/') r += '/';
  return path == b->root || path.compare(0, r.size(), r) == 0;
}

int iCallback(KvxBrowser* b, UINT msg, LPARAM lParam) {
  if (!b->info->lpfn) return 0;
  return b->info->lpfn(b->hwnd, msg, lParam, b->info->lParam);
}

bool boSelect(KvxBrowser* b, const std::string& path) {
  if (!boIsDir(path) || !boUnderRoot(b, path)) return false;
  b->selection = path;
  PIDLIST_ABSOLUTE pidl = pMakePidl(sHostToAnsi(path));
  iCallback(b, BFFM_SELCHANGED, (LPARAM)pidl);
  CoTaskMemFree(pidl);
  return true;
}

LRESULT CALLBACK BrowserProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  KvxBrowser* b = (KvxBrowser*)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
  if (b) switch (msg) {
      case BFFM_SETSELECTIONA:
        if (wParam)
          boSelect(b, sAnsiToHost((const char*)lParam));
        else if (lParam) {
          char path[MAX_PATH];
          if (SHGetPathFromIDListA((PCIDLIST_ABSOLUTE)lParam, path)) boSelect(b, sAnsiToHost(path));
        }
        return 0;
      case BFFM_SETSTATUSTEXTA:
        b->status = lParam ? (const char*)lParam : "";
        return 0;
      case BFFM_ENABLEOK:
        return 0;
    }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

const char* sBrowserClass() {
  static const bool registered = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BrowserProc;
    wc.lpszClassName = "KvxFolderBrowser";
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  return "KvxFolderBrowser";
}

void vEnd(KvxBrowser* b, const std::string& result) {
  b->result = result;
  b->ended = true;
}

}  // namespace

// ---- COM ----

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) { return S_FALSE; }
void WINAPI CoUninitialize(void) {}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return (HRESULT)0x80040110L;  // no aggregation
  bool save = clsid == CLSID_FileSaveDialog;
  if (!save && clsid != CLSID_FileOpenDialog) return kClassNotRegistered;
  if (gFailNextDialog.exchange(false)) return kClassNotRegistered;
  KvxFileDlg* d = new KvxFileDlg(save);
  HRESULT hr = d->QueryInterface(riid, object);
  d->Release();
  return hr;
}

LPVOID WINAPI CoTaskMemAlloc(SIZE_T size) { return malloc(size ? size : 1); }
void WINAPI CoTaskMemFree(LPVOID memory) { free(memory); }

HRESULT WINAPI SHCreateItemFromParsingName(LPCWSTR path, IBindCtx*, REFIID riid, void** item) {
  if (!item) return E_POINTER;
  *item = nullptr;
  if (!path || !*path) return E_INVALIDARG;
  if (!boExists(sHostPath(path))) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  ShellItem* s = new ShellItem(path);
  HRESULT hr = s->QueryInterface(riid, item);
  s->Release();
  return hr;
}

// ---- The folder browser ----

PIDLIST_ABSOLUTE WINAPI ILCreateFromPathA(LPCSTR path) {
  std::string host = sAnsiToHost(path);
  if (host.empty() || !boExists(host)) return nullptr;
  return pMakePidl(sHostToAnsi(host));
}

void WINAPI ILFree(PIDLIST_ABSOLUTE pidl) { CoTaskMemFree(pidl); }

BOOL WINAPI SHGetPathFromIDListA(PCIDLIST_ABSOLUTE pidl, LPSTR path) {
  if (!path) return FALSE;
  path[0] = 0;
  if (!pidl || pidl->mkid.cb <= 2) return FALSE;
  const char* p = (const char*)pidl->mkid.abID;
  size_t n = strnlen(p, pidl->mkid.cb - 2);
  if (n >= MAX_PATH) return FALSE;
  memcpy(path, p, n);
  path[n] = 0;
  return TRUE;
}

PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderA(LPBROWSEINFOA info) {
  if (!info) return nullptr;
  KvxBrowser b;
  b.info = info;
  if (info->pidlRoot) {
    char root[MAX_PATH];
    if (SHGetPathFromIDListA(info->pidlRoot, root)) b.root = sAnsiToHost(root);
  }
  b.selection = b.root;
  b.hwnd = CreateWindowExA(0, sBrowserClass(), info->lpszTitle ? info->lpszTitle : "", WS_POPUP | WS_CAPTION, 0, 0, 400,
                           400, info->hwndOwner, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(b.hwnd, GWLP_USERDATA, (LONG_PTR)&b);
  iCallback(&b, BFFM_INITIALIZED, 0);
  if (gBrowserHook)
    gBrowserHook(&b);
  else
    fprintf(stderr, "folder browser \"%s\" shown with no test hook: cancelled\n",
            info->lpszTitle ? info->lpszTitle : "");
  if (IsWindow(b.hwnd)) DestroyWindow(b.hwnd);
  if (!b.ended || b.result.empty()) return nullptr;
  std::string ansi = sHostToAnsi(b.result);
  if (info->pszDisplayName) {
    std::string name = sNamePart(ansi);
    size_t p = name.find_last_of('\\');
    if (p != std::string::npos) name = name.substr(p + 1);
    snprintf(info->pszDisplayName, MAX_PATH, "%s", name.c_str());
  }
  return pMakePidl(ansi);
}

// ---- Test control ----

KvxFileDialogHook kvxShellSetFileDialogHook(KvxFileDialogHook hook) {
  KvxFileDialogHook old = gFileHook;
  gFileHook = hook;
  return old;
}
void kvxShellFailNextFileDialog(void) { gFailNextDialog = true; }

bool kvxFileDlgIsSave(const KvxFileDlg* d) { return d->save; }
HWND kvxFileDlgOwner(const KvxFileDlg* d) { return d->owner; }
DWORD kvxFileDlgOptions(const KvxFileDlg* d) { return d->options; }
std::string kvxFileDlgTitle(const KvxFileDlg* d) { return sKvxFromWide(d->title, CP_UTF8); }
std::vector<std::pair<std::string, std::string>> kvxFileDlgTypes(const KvxFileDlg* d) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& t : d->types) out.push_back({sKvxFromWide(t.first, CP_UTF8), sKvxFromWide(t.second, CP_UTF8)});
  return out;
}
UINT kvxFileDlgTypeIndex(const KvxFileDlg* d) { return d->typeIndex; }
std::string kvxFileDlgFolder(const KvxFileDlg* d) { return d->sFolderHost(); }
std::string kvxFileDlgFileName(const KvxFileDlg* d) { return sKvxFromWide(d->fileName, CP_UTF8); }
bool kvxFileDlgEnded(const KvxFileDlg* d) { return d->ended || !d->showing; }

void kvxFileDlgChooseType(KvxFileDlg* d, UINT index) {
  if (kvxFileDlgEnded(d) || d->SetFileTypeIndex(index) != S_OK) return;
  if (d->events) d->events->OnTypeChange(d);
}

void kvxFileDlgTypeName(KvxFileDlg* d, const std::string& name) {
  if (!kvxFileDlgEnded(d)) d->fileName = sKvxToWide(name, CP_UTF8);
}

bool kvxFileDlgOk(KvxFileDlg* d, const std::vector<std::string>& paths) {
  if (kvxFileDlgEnded(d)) return false;
  std::vector<std::string> chosen = paths;
  if (chosen.empty()) {
    std::string name = sHostPath(d->fileName);
    if (name.empty()) return false;
    chosen.push_back(sJoin(d->sFolderHost(), name));
  }
  if (chosen.size() > 1 && !(d->options & FOS_ALLOWMULTISELECT)) return false;
  for (const std::string& p : chosen) {
    if ((d->options & FOS_PICKFOLDERS) ? !boIsDir(p) : boIsDir(p)) return false;
    if ((d->options & FOS_FILEMUSTEXIST) && !boExists(p)) return false;
  }
  // What the user chose shows in the name box while the events look at it.
  if (!paths.empty()) d->fileName = sKvxToWide(sNamePart(paths[0]), CP_UTF8);
  d->results.clear();
  for (const std::string& p : chosen) d->results.push_back(sWinPath(p));
  d->chosen = true;
  if (d->events && d->events->OnFileOk(d) == S_FALSE) {
    d->chosen = false;
    d->results.clear();
    return false;
  }
  d->ended = true;
  return true;
}

void kvxFileDlgCancel(KvxFileDlg* d) {
  d->chosen = false;
  d->results.clear();
  d->ended = true;
}

KvxBrowserHook kvxShellSetBrowserHook(KvxBrowserHook hook) {
  KvxBrowserHook old = gBrowserHook;
  gBrowserHook = hook;
  return old;
}

HWND kvxBrowserWindow(const KvxBrowser* b) { return b->hwnd; }
HWND kvxBrowserOwner(const KvxBrowser* b) { return b->info->hwndOwner; }
UINT kvxBrowserFlags(const KvxBrowser* b) { return b->info->ulFlags; }
std::string kvxBrowserTitle(const KvxBrowser* b) { return b->info->lpszTitle ? b->info->lpszTitle : ""; }
std::string kvxBrowserRoot(const KvxBrowser* b) { return b->root; }
std::string kvxBrowserSelection(const KvxBrowser* b) { return b->selection; }
std::string kvxBrowserStatus(const KvxBrowser* b) { return b->status; }
bool kvxBrowserEnded(const KvxBrowser* b) { return b->ended; }

bool kvxBrowserSelect(KvxBrowser* b, const std::string& folder) { return !b->ended && boSelect(b, folder); }

bool kvxBrowserOk(KvxBrowser* b) {
  if (b->ended || b->selection.empty()) return false;
  vEnd(b, b->selection);
  return true;
}

bool kvxBrowserTypeOk(KvxBrowser* b, const std::string& text) {
  if (b->ended || !(b->info->ulFlags & BIF_EDITBOX)) return false;
  std::string path = sJoin(b->selection.empty() ? sCurrentDir() : b->selection, text);
  if (boIsDir(path) && boUnderRoot(b, path)) {
    vEnd(b, path);
    return true;
  }
  if (b->info->ulFlags & BIF_VALIDATE) {
    std::string typed = sHostToAnsi(text);
    if (iCallback(b, BFFM_VALIDATEFAILEDA, (LPARAM)typed.c_str()) != 0) return false;
  }
  vEnd(b, "");
  return true;
}

void kvxBrowserCancel(KvxBrowser* b) { vEnd(b, ""); }
