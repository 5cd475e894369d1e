// The shell's file dialog behind a small class that speaks ANSI, and the
// folder browser.
#include "base/filedialog.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/msgbox.h"
#include "base/paths.h"
#include "base/text.h"
#include "kvxlib.h"

namespace {

typedef std::basic_string<WCHAR> WString;

enum { FILEDLG_OPEN = 1, FILEDLG_SAVE = 2, FILEDLG_FOLDER = 3, FILEDLG_OPEN_MULTI = 10 };
const int kFilterSize = 10248;
const int kMaxListItems = 256;

WString wsFromAnsi(const char* s) {
  WString w;
  int n = s && *s ? MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0) : 0;
  if (n > 1) {
    w.resize((size_t)n);
    MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
    w.resize((size_t)n - 1);
  }
  return w;
}

// The ANSI form of a UTF-16 text; false when the code page cannot hold it
// (converting back does not give the same text).
bool boAnsiFromWide(const WString& w, std::string* out) {
  out->clear();
  if (w.empty()) return true;
  int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return false;
  out->resize((size_t)n);
  WideCharToMultiByte(CP_ACP, 0, w.c_str(), (int)w.size(), out->data(), n, nullptr, nullptr);
  return wsFromAnsi(out->c_str()) == w;
}

// The extension a filter pattern names: the text behind its last point when
// it begins with "*." and has at least 3 characters; "" for none, for "*",
// and for wildcard extensions (a name cannot end in "*.ss?").
std::string sPatternExt(const std::string& pattern) {
  if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0) return "";
  std::string ext = pattern.substr(pattern.rfind('.') + 1);
  if (ext.find_first_of("*?") != std::string::npos) return "";
  return ext;
}

// '*' and '?' matching, ignoring case. As in the shell's own matching, a
// pattern ending in ".*" also takes a name without extension ("*.*" matches
// every name).
bool boWildMatch(const char* pat, const char* name) {
  if (*pat == 0) return *name == 0;
  if (*name == 0 && strcmp(pat, ".*") == 0) return true;
  if (*pat == '*') {
    for (const char* n = name;; ++n) {
      if (boWildMatch(pat + 1, n)) return true;
      if (!*n) return false;
    }
  }
  if (!*name) return false;
  if (*pat != '?' && iStrCmpNoCaseN(pat, name, 1) != 0) return false;
  return boWildMatch(pat + 1, name + 1);
}

// True when the file's name matches one of the "*."-patterns of the text
// (patterns joined by ';').
bool boMatchesPatterns(const std::string& patterns, const char* path) {
  const char* name = sPathGetNameTemp(path);
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string p = patterns.substr(start, end - start);
    if (p.compare(0, 2, "*.") == 0 && boWildMatch(p.c_str(), name)) return true;
    start = end + 1;
  }
  return false;
}

// Collects the NULL-terminated extension arguments (at most 256).
void vCollectList(va_list args, const char** list) {
  int n = 0;
  for (const char* e; n < kMaxListItems && (e = va_arg(args, const char*)) != nullptr;) list[n++] = e;
  list[n] = nullptr;
}

}  // namespace

// The parsed filters of a dialog.
typedef std::vector<std::pair<WString, WString>> FileDlgFilterList;

// COM reference counting for one interface I of the module's own event sinks.
template <class I>
class ViIUnknownImpl : public I {
 public:
  explicit ViIUnknownImpl(const IID& iid) : iid_(iid) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid_)) {
      this->AddRef();
      *out = static_cast<I*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    if (--refs_ == 0) {
      delete this;
      return 0;
    }
    return refs_;
  }
  virtual ~ViIUnknownImpl() = default;

 private:
  const IID& iid_;
  ULONG refs_ = 0;
};

class ViSaveDialogEvents;

class ViFileDialog {
 public:
  ViFileDialog(int type, const char* caption, int flags, const char* startFile, const char* filter);
  ~ViFileDialog();
  bool boHasDialog() const { return dlg_ != nullptr; }
  // True when the user chose.
  bool vFileDlgShow();
  std::string sFileName() const;
  std::string sFilterPattern() const;  // the chosen filter's pattern, "" for none
  std::string sFilterExt() const { return sPatternExt(sFilterPattern()); }
  void vSetFileName(const std::string& name);
  bool boMatchesAnyPattern(const char* path) const;
  bool boGetResult(char* buf, int size);
  char* pGetResults();

 private:
  bool boTakePath(IShellItem* item, char* out);
  IFileDialog* dlg_ = nullptr;
  uint32_t flags_ = 0;
  FileDlgFilterList filters_;
  uint32_t type_ = 0;
  DWORD cookie_ = 0;
  HWND owner_ = nullptr;
};

class ViSaveDialogEvents : public ViIUnknownImpl<IFileDialogEvents> {
 public:
  explicit ViSaveDialogEvents(ViFileDialog* owner) : ViIUnknownImpl(IID_IFileDialogEvents), owner_(owner) {}
  HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog*) override {
    if (!owner_->sFilterExt().empty() && !pPathFindExtDot(owner_->sFileName().c_str())) {
      vMsgWarning(sKvxPoGetText("Extension required"));
      return S_FALSE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog*) override {
    std::string ext = owner_->sFilterExt();
    std::string name = owner_->sFileName();
    if (ext.empty() || name.empty() || boMatchesPatterns(owner_->sFilterPattern(), name.c_str())) return S_OK;
    char buf[kFileDlgPathSize];
    sStrCopyN(buf, name.c_str(), sizeof buf);
    if (owner_->boMatchesAnyPattern(buf))
      vPathSetExtN(buf, ext.c_str(), sizeof buf);
    else if (strlen(buf) + 1 + ext.size() < sizeof buf) {
      sStrCatN(buf, ".", sizeof buf);
      sStrCatN(buf, ext.c_str(), sizeof buf);
    }
    owner_->vSetFileName(buf);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog*, IShellItem*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog*, IShellItem*, FDE_SHAREVIOLATION_RESPONSE*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog*, IShellItem*, FDE_OVERWRITE_RESPONSE*) override { return S_OK; }

 private:
  ViFileDialog* owner_;
};

ViFileDialog::ViFileDialog(int type, const char* caption, int flags, const char* startFile, const char* filter)
    : flags_((uint32_t)flags), type_((uint32_t)type), owner_(GetActiveWindow()) {
  if (FAILED(CoCreateInstance(type == FILEDLG_SAVE ? CLSID_FileSaveDialog : CLSID_FileOpenDialog, nullptr, CLSCTX_ALL,
                              IID_IFileDialog, (void**)&dlg_)))
    dlg_ = nullptr;
  if (!dlg_) return;
  char field[2000], pattern[2000];
  for (int i = 0; filter && boStrGetField(filter, '|', i, field, sizeof field) && field[0] &&
                  boStrGetField(filter, '|', i + 1, pattern, sizeof pattern) && pattern[0];
       i += 2)
    filters_.push_back({wsFromAnsi(field), wsFromAnsi(pattern)});
  if (!filters_.empty()) {
    std::vector<COMDLG_FILTERSPEC> spec;
    for (const auto& f : filters_) spec.push_back({f.first.c_str(), f.second.c_str()});
    dlg_->SetFileTypes((UINT)spec.size(), spec.data());
  }
  char part[kFileDlgPathSize];
  if (startFile && *sPathGetDir(startFile, part, sizeof part)) {
    IShellItem* folder = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(wsFromAnsi(part).c_str(), nullptr, IID_IShellItem, (void**)&folder))) {
      dlg_->SetFolder(folder);
      folder->Release();
    }
  }
  if (caption) dlg_->SetTitle(wsFromAnsi(caption).c_str());
  if (startFile && *sPathGetName(startFile, part, sizeof part)) dlg_->SetFileName(wsFromAnsi(part).c_str());
  FILEOPENDIALOGOPTIONS o = FOS_NOCHANGEDIR;
  if (flags & 2) o |= FOS_FILEMUSTEXIST;
  if (flags & 4) o |= FOS_CREATEPROMPT;
  if (flags & 8) o |= FOS_OVERWRITEPROMPT;
  if (type == FILEDLG_FOLDER) o |= FOS_PICKFOLDERS;
  if (type == FILEDLG_OPEN_MULTI) o |= FOS_ALLOWMULTISELECT;
  dlg_->SetOptions(o);
  if (type == FILEDLG_SAVE && (flags & 16)) {
    ViSaveDialogEvents* events = new ViSaveDialogEvents(this);
    events->AddRef();
    if (FAILED(dlg_->Advise(events, &cookie_))) cookie_ = 0;
    events->Release();  // the dialog holds it while advised
  }
}

ViFileDialog::~ViFileDialog() {
  if (!dlg_) return;
  if (cookie_) dlg_->Unadvise(cookie_);
  dlg_->Release();
}

bool ViFileDialog::vFileDlgShow() { return dlg_ && SUCCEEDED(dlg_->Show(owner_)); }

std::string ViFileDialog::sFileName() const {
  std::string out;
  LPWSTR name = nullptr;
  if (dlg_ && SUCCEEDED(dlg_->GetFileName(&name)) && name) {
    boAnsiFromWide(name, &out);
    CoTaskMemFree(name);
  }
  return out;
}

std::string ViFileDialog::sFilterPattern() const {
  UINT index = 0;
  if (!dlg_ || FAILED(dlg_->GetFileTypeIndex(&index)) || index < 1 || index > filters_.size()) return "";
  std::string out;
  boAnsiFromWide(filters_[index - 1].second, &out);
  return out;
}

void ViFileDialog::vSetFileName(const std::string& name) {
  if (dlg_) dlg_->SetFileName(wsFromAnsi(name.c_str()).c_str());
}

bool ViFileDialog::boMatchesAnyPattern(const char* path) const {
  for (const auto& f : filters_) {
    std::string p;
    if (boAnsiFromWide(f.second, &p) && boMatchesPatterns(p, path)) return true;
  }
  return false;
}

// The item's path in ANSI into out (kFileDlgPathSize), with the chosen
// filter's extension added to a name that matches none of the patterns.
bool ViFileDialog::boTakePath(IShellItem* item, char* out) {
  LPWSTR wide = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &wide)) || !wide) return false;
  std::string path;
  bool ok = boAnsiFromWide(wide, &path);
  CoTaskMemFree(wide);
  if (!ok) {
    char msg[256];
    vMsgWarning(sStrPrintN(
        msg, sizeof msg, sKvxPoGetText("Selected file name contain unsupported Unicode characters: %s"), path.c_str()));
    return false;
  }
  sStrCopyN(out, path.c_str(), kFileDlgPathSize);
  std::string ext = sFilterExt();
  if (!ext.empty() && !boMatchesAnyPattern(out) && strlen(out) + 1 + ext.size() < (size_t)kFileDlgPathSize) {
    sStrCatN(out, ".", kFileDlgPathSize);
    sStrCatN(out, ext.c_str(), kFileDlgPathSize);
  }
  return true;
}

bool ViFileDialog::boGetResult(char* buf, int size) {
  IShellItem* item = nullptr;
  if (!dlg_ || FAILED(dlg_->GetResult(&item)) || !item) return false;
  char path[kFileDlgPathSize];
  bool ok = boTakePath(item, path);
  item->Release();
  if (ok) sStrCopyN(buf, path, size);
  return ok;
}

char* ViFileDialog::pGetResults() {
  IFileOpenDialog* open = nullptr;
  if (!dlg_ || FAILED(dlg_->QueryInterface(IID_IFileOpenDialog, (void**)&open))) return nullptr;
  IShellItemArray* items = nullptr;
  HRESULT hr = open->GetResults(&items);
  open->Release();
  if (FAILED(hr) || !items) return nullptr;
  std::vector<std::string> paths;
  DWORD count = 0;
  items->GetCount(&count);
  for (DWORD i = 0; i < count; ++i) {
    IShellItem* item = nullptr;
    char path[kFileDlgPathSize];
    if (FAILED(items->GetItemAt(i, &item)) || !item) continue;
    if (boTakePath(item, path)) paths.push_back(path);
    item->Release();
  }
  items->Release();
  if (paths.empty()) return nullptr;
  // One path as itself; several as their folder and then each name.
  std::vector<std::string> texts;
  char part[kFileDlgPathSize];
  if (paths.size() == 1) {
    texts.push_back(paths[0]);
  } else {
    texts.push_back(sPathGetDir(paths[0].c_str(), part, kFileDlgPathSize - 1));
    for (const std::string& p : paths) texts.push_back(sPathGetName(p.c_str(), part, kFileDlgPathSize - 1));
  }
  size_t total = 1;
  for (const std::string& t : texts) total += t.size() + 1;
  char* block = (char*)malloc(total);
  if (!block) return nullptr;
  char* at = block;
  for (const std::string& t : texts) {
    memcpy(at, t.c_str(), t.size() + 1);
    at += t.size() + 1;
  }
  *at = 0;
  return block;
}

namespace {

// Behind every entry function: the filter, the dialog, the result into buf
// (or, for several files, the heap block into *multi). NULL when nothing
// was chosen.
char* sFileDlgRun(int type, const char* caption, int flags, const char* startFile, const char* const* list, char* buf,
                  int size, char** multi) {
  char* filter = (char*)malloc(kFilterSize);
  if (!filter) return nullptr;
  const char* filterText = sFileDlgBuildFilter(list, filter, kFilterSize);
  ViFileDialog dlg(type, caption, flags, startFile, filterText);
  free(filter);
  if (!dlg.boHasDialog()) {
    vMsgWarning(sKvxPoGetText("Error displaying file dialogue"));
    return nullptr;
  }
  if (!dlg.vFileDlgShow()) return nullptr;
  if (multi) return *multi = dlg.pGetResults();
  return dlg.boGetResult(buf, size) ? buf : nullptr;
}

char gOpenBuf[kFileDlgPathSize];
char gSaveBuf[kFileDlgPathSize];

}  // namespace

#define FILEDLG_LIST(last)             \
  const char* list[kMaxListItems + 1]; \
  va_list args;                        \
  va_start(args, last);                \
  vCollectList(args, list);            \
  va_end(args)

char* sFileDlgOpen(const char* caption, int flags, const char* startFile, ...) {
  FILEDLG_LIST(startFile);
  return sFileDlgRun(FILEDLG_OPEN, caption, flags, startFile, list, gOpenBuf, sizeof gOpenBuf, nullptr);
}

char* sFileDlgOpenBuf(char* buf, int size, const char* caption, int flags, const char* startFile, ...) {
  FILEDLG_LIST(startFile);
  return sFileDlgRun(FILEDLG_OPEN, caption, flags, startFile, list, buf, size, nullptr);
}

char* pFileDlgOpenMulti(const char* caption, int flags, const char* startFile, ...) {
  FILEDLG_LIST(startFile);
  char* block = nullptr;
  sFileDlgRun(FILEDLG_OPEN_MULTI, caption, flags, startFile, list, nullptr, 0, &block);
  return block;
}

char* sFileDlgSave(const char* caption, int flags, const char* startFile, ...) {
  FILEDLG_LIST(startFile);
  return sFileDlgRun(FILEDLG_SAVE, caption, flags, startFile, list, gSaveBuf, sizeof gSaveBuf, nullptr);
}

char* sFileDlgSaveBuf(char* buf, int size, const char* caption, int flags, const char* startFile, ...) {
  FILEDLG_LIST(startFile);
  return sFileDlgRun(FILEDLG_SAVE, caption, flags, startFile, list, buf, size, nullptr);
}

char* sFileDlgFilterText(const char* const* extensions, char separator, const char* displayName) {
  std::string patterns;
  for (int i = 0; extensions && extensions[i]; ++i) {
    if (!patterns.empty()) patterns += separator;
    if (!strchr(extensions[i], '.')) patterns += "*.";
    patterns += extensions[i];
  }
  std::string text = displayName && *displayName ? std::string(displayName) + " (" : std::string("(");
  text += patterns + ")|" + patterns + "|";
  if (text.size() > 999) text.resize(999);
  return sStrTemp(text.c_str());
}

char* sFileDlgBuildFilter(const char* const* extensions, char* buf, int size) {
  if (!buf || size <= 0) return nullptr;
  buf[0] = 0;
  if (!extensions || !extensions[0]) return buf;
  if (strchr(extensions[0], '|')) {
    if ((int)strlen(extensions[0]) >= size) return nullptr;
    return sStrCopyN(buf, extensions[0], size);
  }
  // Only pairs that fit whole: a cut pattern would be a wrong filter.
  size_t used = 0;
  for (int i = 0; extensions[i]; ++i) {
    size_t n = 2 * (strlen(extensions[i]) + 3);
    if (used + n >= (size_t)size) break;
    for (int k = 0; k < 2; ++k) {
      sStrCatN(buf, "*.", size);
      sStrCatN(buf, extensions[i], size);
      sStrCatN(buf, "|", size);
    }
    used += n;
  }
  return buf;
}

// ---- The folder browser ----

namespace {

int CALLBACK iBrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data) {
  switch (msg) {
    case BFFM_INITIALIZED:
      if (data && *(const char*)data) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
      break;
    case BFFM_SELCHANGED: {
      char path[MAX_PATH];
      if (SHGetPathFromIDListA((PCIDLIST_ABSOLUTE)lParam, path))
        SendMessageA(hwnd, BFFM_SETSTATUSTEXTA, 0, (LPARAM)path);
      break;
    }
    case BFFM_VALIDATEFAILEDA:
      iMsgBox(hwnd, "", sKvxPoGetText("Invalid folder"), MB_ICONEXCLAMATION | MB_OK);
      return 1;  // keep the browser open
  }
  return 0;
}

}  // namespace

char* sFileDlgBrowseFolderRoot(const char* caption, int flags, const char* rootFolder, const char* startFolder,
                               char* buf, int size) {
  if (buf && size > 0) buf[0] = 0;
  char curDir[MAX_PATH];
  DWORD n = GetCurrentDirectoryA(sizeof curDir, curDir);
  if (n == 0 || n >= sizeof curDir) curDir[0] = 0;
  BROWSEINFOA bi = {};
  bi.hwndOwner = GetActiveWindow();
  bi.lpszTitle = caption;
  bi.ulFlags = BIF_RETURNONLYFSDIRS;
  if (flags & 1) bi.ulFlags |= BIF_NEWDIALOGSTYLE;
  // The edit box asks the callback about typed folders that do not exist.
  if (flags & 2) bi.ulFlags |= BIF_EDITBOX | BIF_VALIDATE;
  if (!(flags & 4)) bi.ulFlags |= BIF_NONEWFOLDERBUTTON;
  PIDLIST_ABSOLUTE root = rootFolder && *rootFolder ? ILCreateFromPathA(rootFolder) : nullptr;
  bi.pidlRoot = root;
  bi.lpfn = iBrowseCallback;
  bi.lParam = (LPARAM)startFolder;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&bi);
  if (chosen) {
    // The shell writes up to MAX_PATH bytes: never straight into a smaller
    // caller's buffer.
    char path[MAX_PATH];
    if (SHGetPathFromIDListA(chosen, path) && buf && size > 0) sStrCopyN(buf, path, size);
    CoTaskMemFree(chosen);
  }
  if (root) ILFree(root);
  if (curDir[0]) SetCurrentDirectoryA(curDir);
  return buf && size > 0 && buf[0] ? buf : nullptr;
}

char* sFileDlgBrowseFolderFlags(const char* caption, int flags, const char* startFolder, char* buf, int size) {
  return sFileDlgBrowseFolderRoot(caption, flags, nullptr, startFolder, buf, size);
}

char* sFileDlgBrowseFolder(const char* caption, const char* startFolder, char* buf, int size) {
  return sFileDlgBrowseFolderFlags(caption, 3, startFolder, buf, size);
}
