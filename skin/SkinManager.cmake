# skin_common: skin-wide data, palette, index cache, colour adjustment and the
# live-preview record (portable, built for Windows and natively).
# skin_manager: the TsSkinManager component and its Win32 side (Windows only).
set(QUILLON_SKIN_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/CommonSkinData.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConstData.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinColors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinPreview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StoredSkins.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinLoad.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinShadow.cpp
  CACHE INTERNAL "Sources of the portable skin-wide data and whole-load library")
add_library(skin_common STATIC ${QUILLON_SKIN_COMMON_SOURCES})
target_include_directories(skin_common PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(skin_common PUBLIC skin_data)

if(WIN32)
  add_library(skin_manager STATIC
    ${CMAKE_CURRENT_LIST_DIR}/EmbeddedFonts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SkinBroadcast.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SkinCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sSkinManager.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SkinManagerSetup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinSkinFiles.cpp
  )
  target_link_libraries(skin_manager PUBLIC skin_common skin_list skin_win_images framework user32 gdi32 advapi32)
endif()
