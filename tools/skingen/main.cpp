// skingen: draws the built-in skin and writes its archive.
//   skingen OUTPUT.asz [--files DIR]
// --files also writes the members and the preview as separate files, for
// looking at them.
#include "ImageFiles.h"
#include "SkinBuilder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

namespace {

bool WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--files")) {
    std::fprintf(stderr, "usage: skingen OUTPUT.asz [--files DIR]\n");
    return 2;
  }
  const skingen::SkinFiles files = skingen::BuildSkin();
  if (!WriteFile(argv[1], skingen::PackSkin(files))) {
    std::fprintf(stderr, "skingen: cannot write %s\n", argv[1]);
    return 1;
  }
  if (argc == 4) {
    const std::filesystem::path dir(argv[3]);
    std::filesystem::create_directories(dir);
    const std::span<const std::uint8_t> options(reinterpret_cast<const std::uint8_t*>(files.options.data()),
                                                files.options.size());
    if (!WriteFile(dir / skingen::OptionsMember, options) ||
        !WriteFile(dir / skingen::MasterMember, skingen::EncodeBmp(files.master)) ||
        !WriteFile(dir / skingen::HugeMember, skingen::EncodeBmp(files.buttonHuge)) ||
        !WriteFile(dir / "preview.png", skingen::EncodePng(files.preview))) {
      std::fprintf(stderr, "skingen: cannot write into %s\n", argv[3]);
      return 1;
    }
  }
  return 0;
}
