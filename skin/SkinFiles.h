// What the skin data needs of the outside world: files, image decoders and
// error boxes, each behind a small interface (the Windows side implements
// them with the system; tests with fakes).
#pragma once

#include "skin/Bitmap32.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

// Paths are UTF-8 with "\" separators, as the skin names and directories are
// written.
class SkinFileSystem {
public:
  virtual ~SkinFileSystem() = default;
  virtual bool FileExists(const std::string& path) const = 0;
  virtual bool DirectoryExists(const std::string& path) const = 0;
  virtual std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path) const = 0;
  // Names (not paths) of the files directly in the directory.
  virtual std::vector<std::string> ListFiles(const std::string& directory) const = 0;
  // Creates the directory and its missing parents; true when it exists afterwards.
  virtual bool ForceDirectories(const std::string& path) = 0;
  virtual bool WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) = 0;
  // The directory of the running program, with its trailing "\".
  virtual std::string ProgramDirectory() const = 0;
};

// Decodes images other than BMP (PNG, JPEG) into 32-bit bitmaps with alpha.
class ImageDecoder {
public:
  virtual ~ImageDecoder() = default;
  // upperExtension is ".PNG", ".JPG" or ".JPEG".
  virtual std::shared_ptr<Bitmap32> Decode(std::span<const std::uint8_t> bytes, std::string_view upperExtension) = 0;
};

// Error boxes: the program's title as caption, an error icon, an OK button.
class SkinErrorBoxes {
public:
  virtual ~SkinErrorBoxes() = default;
  virtual void ErrorBox(const std::string& text) = 0;
};

}  // namespace skin
