#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tessaline::testing {
namespace {

namespace fs = std::filesystem;

// Removes `path` and what it holds, first letting the owner into folders a
// test closed to everybody.
void RemoveTree(const fs::path& path)
{
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(path, error))) {
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
        for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
            RemoveTree(entry.path());
    }
    fs::remove(path, error);
}

}  // namespace

ScratchFolder::ScratchFolder(const std::string& inside)
{
    std::string pattern = (fs::temp_directory_path() / "tessaline-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "no scratch folder: errno " << errno;
        return;
    }
    m_root = pattern;
    m_path = inside.empty() ? m_root : m_root + "/" + inside;
    fs::create_directories(m_path);
}

ScratchFolder::~ScratchFolder()
{
    for (auto saved = m_saved.rbegin(); saved != m_saved.rend(); ++saved) {
        if (saved->second)
            ::setenv(saved->first.c_str(), saved->second->c_str(), 1);
        else
            ::unsetenv(saved->first.c_str());
    }
    if (!m_root.empty())
        RemoveTree(m_root);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& contents) const
{
    const std::string path = *this / name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

void ScratchFolder::SetEnv(const std::string& name, const char* value)
{
    const char* before = std::getenv(name.c_str());
    m_saved.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
    if (value)
        ::setenv(name.c_str(), value, 1);
    else
        ::unsetenv(name.c_str());
}

std::string FileContents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace tessaline::testing
