#pragma once
// A private temporary folder for one test, removed afterwards, and helpers that point the
// program's data and runtime folders into it.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace lumeno::test {

class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "lumeno-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Points XDG_DATA_HOME and XDG_RUNTIME_DIR into `dir`. Call before the program first asks for its
// data directory (each test runs in its own process).
inline void UseTempDataHome(const TempDir& dir) {
    namespace fs = std::filesystem;
    fs::create_directories(dir / "data");
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
}

}  // namespace lumeno::test
