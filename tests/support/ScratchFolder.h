// A scratch folder for one test (or one suite), removed with everything in
// it when the object goes; environment variables changed through it get
// their earlier values back then too, latest change first.
//
// Threading: the thread that made it; the environment is the process's.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessaline::testing {

class ScratchFolder
{
public:
    // A fresh folder under the system's temporary folder; with `inside`
    // (which may name several levels), Path() is that folder within it.
    explicit ScratchFolder(const std::string& inside = {});
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() + "/" + name.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    // Writes `contents` to `name` (folders on the way made); its path.
    std::string Write(const std::string& name, const std::string& contents = {}) const;

    // Sets an environment variable, or removes it when `value` is null.
    void SetEnv(const std::string& name, const char* value);
    void SetEnv(const std::string& name, const std::string& value) { SetEnv(name, value.c_str()); }

private:
    std::string m_root;
    std::string m_path;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// A file's bytes; empty when it cannot be read.
std::string FileContents(const std::string& path);

}  // namespace tessaline::testing
