// A folder of its own for a test, removed with everything in it at the end
// (also when an assertion failed), and the Windows form of host paths (as
// the platform layer gives paths back). Every test that writes files uses it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

namespace kvxtest {

inline std::string WinPath(std::string host) {
  for (char& c : host)
    if (c == '/') c = '\\';
  return host;
}

// A whole file's bytes ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes a whole file (its folder must exist).
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class TempDir {
 public:
  // Without a folder the test cannot run: it fails at once (GoogleTest
  // reports the exception) rather than writing its files elsewhere.
  TempDir() {
    char tmpl[] = "/tmp/kvxtest_XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("no temporary folder under /tmp");
    path_ = std::filesystem::canonical(tmpl).string();
  }
  // Runs when the test ends in any way but a crash: a failed ASSERT returns
  // from the test body, an exception unwinds it.
  ~TempDir() {
    if (oldTmp_ && oldTmp_->empty()) unsetenv("TMPDIR");
    if (oldTmp_ && !oldTmp_->empty()) setenv("TMPDIR", oldTmp_->c_str() + 1, 1);
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::remove_all(path_, ec);
    if (!ec) return;
    // A test made a folder in it unwritable: open them all up and try again.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
      if (!it->is_symlink(ec) && it->is_directory(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  std::string Win() const { return WinPath(path_); }
  std::string Win(const std::string& name) const { return WinPath(Path(name)); }
  // Writes a file (folders made as needed) and returns its host path.
  std::string Write(const std::string& name, const std::string& content) const {
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    WriteFile(Path(name), content);
    return Path(name);
  }
  std::string Read(const std::string& name) const { return ReadFile(Path(name)); }
  // This folder (or a folder in it) as the process's temporary folder
  // (TMPDIR) until the end: side files then land here, apart from tests
  // that run at the same time.
  void UseAsTemp(const std::string& sub = "") {
    if (!oldTmp_) {
      const char* old = getenv("TMPDIR");
      oldTmp_ = old ? "=" + std::string(old) : std::string();
    }
    if (!sub.empty()) std::filesystem::create_directories(Path(sub));
    setenv("TMPDIR", sub.empty() ? path_.c_str() : Path(sub).c_str(), 1);
  }

 private:
  std::string path_;
  std::optional<std::string> oldTmp_;  // "=value", or "" when TMPDIR was unset
};

}  // namespace kvxtest
