// A folder of its own for a test, removed with everything in it at the end,
// and the Windows form of host paths (as the platform layer gives paths back).
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace kvxtest {

inline std::string WinPath(std::string host) {
  for (char& c : host)
    if (c == '/') c = '\\';
  return host;
}

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/kvxtest_XXXXXX";
    if (mkdtemp(tmpl)) path_ = std::filesystem::canonical(tmpl).string();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
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
    std::ofstream(Path(name), std::ios::binary) << content;
    return Path(name);
  }

 private:
  std::string path_;
};

}  // namespace kvxtest
