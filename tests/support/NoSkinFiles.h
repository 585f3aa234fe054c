#pragma once
// A skin file system with nothing in it: for tests of stored skins alone.
#include "skin/SkinFiles.h"

#include <string>

namespace testsupport {

class NoSkinFiles final : public skin::SkinFileSystem {
public:
    bool FileExists(const std::string&) const override { return false; }
    bool DirectoryExists(const std::string&) const override { return false; }
    std::optional<std::vector<std::uint8_t>> ReadFile(const std::string&) const override { return std::nullopt; }
    std::vector<std::string> ListFiles(const std::string&) const override { return {}; }
    bool ForceDirectories(const std::string&) override { return false; }
    bool WriteFile(const std::string&, std::span<const std::uint8_t>) override { return false; }
    std::string ProgramDirectory() const override { return "C:\\Quillon\\"; }
};

}  // namespace testsupport
