#pragma once
// Small skins made here for the manager's tests.
#include "skin/Bitmap32.h"
#include "skin/SkinArchive.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skintest {

// Options of a small but complete skin: version 10.25, a master bitmap, sections with
// colours, images and a parent chain.
inline std::string TestOptions(const std::string& version = "10.25", const std::string& extraGlobal = "") {
    return "[GLOBALINFO]\r\n"
           "VERSION=" + version + "\r\n"
           "MASTERBITMAP=MASTER COPY.BMP\r\n"
           "COLOR=14344676\r\n"
           "FONTCOLOR=1118481\r\n"
           "AUTHOR=Tests\r\n"
           "BORDERCOLOR=8421504\r\n"
           "BOXCHECKED=@0000@0000@0012@0012@1@0\r\n"
           "BICONCLOSE=@0012@0000@0030@0010@3@0\r\n"
           "BICONCLOSEGLOW=2\r\n"
           "BICONCLOSEGLOW0=@0000@0012@0010@0020@1@0\r\n"
           "BICONCLOSEGLOW1=@0010@0012@0020@0020@1@0\r\n" +
           extraGlobal +
           "[BUTTON]\r\n"
           "COLOR=15790320\r\n"
           "HOTCOLOR=16777215\r\n"
           "FONTCOLOR=0\r\n"
           "BORDERSMASK=^0000^0000^0030^0020^0003^0003^0003^0003^3^1^0^0\r\n"
           "[EDIT]\r\n"
           "COLOR=16777215\r\n"
           "FONTCOLOR=2105376\r\n"
           "[SELECTION]\r\n"
           "COLOR=13395456\r\n"
           "FONTCOLOR=16777215\r\n"
           "HOTCOLOR=10040064\r\n"
           "HOTFONTCOLOR=16776960\r\n"
           "[TOOLBAR]\r\n"
           "COLOR=12632256\r\n"
           "[PANEL_LOW]\r\n"
           "COLOR=11579568\r\n"
           "[FORMTITLE]\r\n"
           "COLOR=8388608\r\n"
           "[COMBOBOX]\r\n"
           "PARENTCLASS=EDIT\r\n"
           "GLYPHMASK=@0000@0000@0008@0008@1@0\r\n";
}

inline std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

inline std::vector<std::uint8_t> MasterBitmap() {
    skin::Bitmap32 bmp(40, 24, 0xFF808080u);
    bmp.At(0, 0) = skin::KeyColorPixel;
    return skin::EncodeBmp32(bmp);
}

inline std::vector<std::uint8_t> TestArchive(const std::string& options = TestOptions()) {
    std::vector<skin::ArchiveMember> members;
    members.push_back({"OPTIONS.DAT", Bytes(options)});
    members.push_back({"MASTER COPY.BMP", MasterBitmap()});
    return skin::WriteSkinArchive(members);
}

}  // namespace skintest
