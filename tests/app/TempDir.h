#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace zarvik::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TTempDir
{
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zarvik-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        FPath = pattern;
    }
    ~TTempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir &) = delete;
    TTempDir &operator=(const TTempDir &) = delete;

    const std::filesystem::path &Path() const { return FPath; }
    std::string File(std::string_view name) const { return (FPath / name).string(); }

    // Writes the bytes into the named file and returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const
    {
        const std::string path = File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    std::filesystem::path FPath;
};

inline std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace zarvik::test
