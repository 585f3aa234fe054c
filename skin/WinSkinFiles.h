#pragma once
// The skin loader's file system on Windows (UTF-8 paths over the W functions).
#include "skin/SkinFiles.h"

namespace skin {

class WinSkinFileSystem final : public SkinFileSystem {
public:
    bool FileExists(const std::string& path) const override;
    bool DirectoryExists(const std::string& path) const override;
    std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path) const override;
    std::vector<std::string> ListFiles(const std::string& directory) const override;
    bool ForceDirectories(const std::string& path) override;
    bool WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    std::string ProgramDirectory() const override;
};

}  // namespace skin
