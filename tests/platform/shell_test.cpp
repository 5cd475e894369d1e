// The shell's file dialog object and folder browser as a test's user drives
// them: what the module sets shows, what the user chooses comes back as
// Windows paths, and the events can keep the dialog open.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "testing/shell_driver.h"
#include "testing/tempdir.h"
#include "win32.h"

namespace fs = std::filesystem;

namespace {

std::u16string W(const std::string& s) { return std::u16string(s.begin(), s.end()); }
using kvxtest::WinPath;

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_.Write("a.kof", "x");
    tmp_.Write("b.kof", "x");
    tmp_.Write("sub/c.kof", "x");
  }
  kvxtest::TempDir tmp_;
  const std::string dir_ = tmp_.Path();
};

// Refuses the first OK, then accepts; counts type changes.
struct Events : public IFileDialogEvents {
  int refusals = 1, typeChanges = 0;
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog*) override { return refusals-- > 0 ? S_FALSE : S_OK; }
  HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog*, IShellItem*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog*, IShellItem*, FDE_SHAREVIOLATION_RESPONSE*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog*) override { return ++typeChanges, S_OK; }
  HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog*, IShellItem*, FDE_OVERWRITE_RESPONSE*) override { return S_OK; }
};

std::string PathOf(IShellItem* item) {
  LPWSTR p = nullptr;
  EXPECT_EQ(item->GetDisplayName(SIGDN_FILESYSPATH, &p), S_OK);
  std::u16string w(p);
  CoTaskMemFree(p);
  item->Release();
  return std::string(w.begin(), w.end());
}

TEST_F(ShellTest, OpenDialogShowsSettingsAndReturnsSeveralFiles) {
  IFileOpenDialog* d = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_ALL, IID_IFileOpenDialog, (void**)&d), S_OK);
  std::u16string n1 = W("KOF"), p1 = W("*.kof"), n2 = W("All"), p2 = W("*");
  COMDLG_FILTERSPEC spec[] = {{n1.c_str(), p1.c_str()}, {n2.c_str(), p2.c_str()}};
  d->SetFileTypes(2, spec);
  d->SetOptions(FOS_NOCHANGEDIR | FOS_FILEMUSTEXIST | FOS_ALLOWMULTISELECT);
  d->SetTitle(W("Pick").c_str());
  IShellItem* folder = nullptr;
  ASSERT_EQ(SHCreateItemFromParsingName(W(WinPath(dir_)).c_str(), nullptr, IID_IShellItem, (void**)&folder), S_OK);
  d->SetFolder(folder);
  folder->Release();
  EXPECT_NE(SHCreateItemFromParsingName(W(WinPath(dir_ + "/none")).c_str(), nullptr, IID_IShellItem, (void**)&folder),
            S_OK);
  Events ev;
  DWORD cookie = 0;
  ASSERT_EQ(d->Advise(&ev, &cookie), S_OK);
  std::string dir = dir_;
  kvxtest::ExpectFileDialog([dir](kvxtest::FileDlg& f) {
    EXPECT_EQ(f.Title(), "Pick");
    EXPECT_EQ(f.Folder(), dir);
    EXPECT_EQ(f.TypeIndex(), 1u);
    EXPECT_EQ(f.Types()[1].second, "*");
    f.ChooseType(2);
    EXPECT_FALSE(f.Ok({dir + "/missing.kof"}));            // must exist
    EXPECT_FALSE(f.Ok({dir + "/a.kof", dir + "/b.kof"}));  // the events refuse once
    f.Choose({dir + "/a.kof", dir + "/b.kof"});
  });
  EXPECT_EQ(d->Show(nullptr), S_OK);
  EXPECT_EQ(ev.typeChanges, 1);
  UINT type = 0;
  d->GetFileTypeIndex(&type);
  EXPECT_EQ(type, 2u);
  IShellItemArray* items = nullptr;
  ASSERT_EQ(d->GetResults(&items), S_OK);
  DWORD count = 0;
  items->GetCount(&count);
  ASSERT_EQ(count, 2u);
  IShellItem* item = nullptr;
  items->GetItemAt(1, &item);
  EXPECT_EQ(PathOf(item), WinPath(dir_ + "/b.kof"));
  items->Release();
  EXPECT_EQ(d->Unadvise(cookie), S_OK);
  kvxtest::ExpectFileDialog([](kvxtest::FileDlg& f) { f.Cancel(); });
  EXPECT_EQ(d->Show(nullptr), HRESULT_FROM_WIN32(ERROR_CANCELLED));
  EXPECT_EQ(d->Release(), 0u);
  EXPECT_EQ(ev.refs, 1u);  // the dialog let go of the events
}

TEST_F(ShellTest, SaveDialogTakesTypedNameInFolderAndCanFailToCreate) {
  IFileDialog* d = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_ALL, IID_IFileDialog, (void**)&d), S_OK);
  void* open = nullptr;
  EXPECT_EQ(d->QueryInterface(IID_IFileOpenDialog, &open), E_NOINTERFACE);
  std::string dir = dir_;
  kvxtest::ExpectFileDialog([dir](kvxtest::FileDlg& f) {
    EXPECT_TRUE(f.IsSave());
    f.TypeName("new job");
    EXPECT_TRUE(f.Ok());
  });
  EXPECT_EQ(d->Show(nullptr), S_OK);  // no folder set: the current one
  IShellItem* item = nullptr;
  ASSERT_EQ(d->GetResult(&item), S_OK);
  EXPECT_EQ(PathOf(item), WinPath(fs::current_path().string() + "/new job"));
  d->Release();
  kvxShellFailNextFileDialog();
  EXPECT_NE(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_ALL, IID_IFileDialog, (void**)&d), S_OK);
  EXPECT_EQ(d, nullptr);
}

struct BrowseLog {
  std::string selected;
  std::string failed;
};

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data) {
  BrowseLog* log = (BrowseLog*)data;
  char path[MAX_PATH];
  switch (msg) {
    case BFFM_INITIALIZED:
      SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, (LPARAM)log->selected.c_str());
      break;
    case BFFM_SELCHANGED:
      SHGetPathFromIDListA((PCIDLIST_ABSOLUTE)lParam, path);
      SendMessageA(hwnd, BFFM_SETSTATUSTEXTA, 0, (LPARAM)path);
      break;
    case BFFM_VALIDATEFAILEDA:
      log->failed = (const char*)lParam;
      return 1;  // stay open
  }
  return 0;
}

TEST_F(ShellTest, FolderBrowserRunsItsCallback) {
  BrowseLog log{WinPath(dir_), ""};
  PIDLIST_ABSOLUTE root = ILCreateFromPathA(WinPath(dir_).c_str());
  ASSERT_NE(root, nullptr);
  char name[MAX_PATH] = "";
  BROWSEINFOA bi = {nullptr,        root,         name, "Where", BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE,
                    BrowseCallback, (LPARAM)&log, 0};
  std::string dir = dir_;
  kvxtest::ExpectFolderBrowser([dir](kvxtest::Browser& b) {
    EXPECT_EQ(b.Title(), "Where");
    EXPECT_EQ(b.Root(), dir);
    EXPECT_EQ(b.Selection(), dir);  // selected by the callback at start
    EXPECT_FALSE(b.Select("/"));    // above the root
    EXPECT_TRUE(b.Select(dir + "/sub"));
    EXPECT_EQ(b.Status(), WinPath(dir + "/sub"));
    EXPECT_FALSE(b.TypeOk("nowhere"));  // the callback keeps it open
    EXPECT_TRUE(b.Ok());
  });
  PIDLIST_ABSOLUTE got = SHBrowseForFolderA(&bi);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(log.failed, "nowhere");
  EXPECT_STREQ(name, "sub");
  char path[MAX_PATH];
  EXPECT_TRUE(SHGetPathFromIDListA(got, path));
  EXPECT_EQ(path, WinPath(dir_ + "/sub"));
  CoTaskMemFree(got);
  kvxtest::ExpectFolderBrowser([](kvxtest::Browser& b) { b.Cancel(); });
  EXPECT_EQ(SHBrowseForFolderA(&bi), nullptr);
  ILFree(root);
}

}  // namespace
