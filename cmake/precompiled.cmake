# Precompiled headers of the product's code. A Windows file spent about 1.6 of
# its 2.5 seconds of compile time in windows.h and the standard library; they
# are parsed once per build instead. Code that uses Win32 gets windows.h with
# them; the portable code does not, so windows.h's macros cannot reach it.
set(QUILLON_PCH_HEADERS
  <algorithm> <array> <cstdint> <cstring> <functional> <map> <memory> <mutex>
  <optional> <span> <string> <string_view> <utility> <vector>)
add_library(quillon_pch STATIC ${CMAKE_CURRENT_LIST_DIR}/pch.cpp)
target_precompile_headers(quillon_pch PRIVATE ${QUILLON_PCH_HEADERS})
if(WIN32)
  add_library(quillon_pch_windows STATIC ${CMAKE_CURRENT_LIST_DIR}/pch.cpp)
  target_precompile_headers(quillon_pch_windows PRIVATE ${QUILLON_PCH_HEADERS} <windows.h>)
endif()

# True in out when one of the libraries links a Windows system library,
# directly or through the libraries it links.
function(quillon_links_windows out)
  set(queue ${ARGN})
  set(seen)
  while(queue)
    list(POP_FRONT queue lib)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
    if(lib IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${lib})
    if(lib MATCHES "^(user32|gdi32|advapi32)$")
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
    if(TARGET ${lib})
      get_target_property(links ${lib} INTERFACE_LINK_LIBRARIES)
      if(links)
        list(APPEND queue ${links})
      endif()
    endif()
  endwhile()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

# Reuses for target the precompiled header base, or base_windows when one of
# the libraries it links links Windows.
function(quillon_reuse_pch target base)
  quillon_links_windows(windows ${ARGN})
  if(WIN32 AND windows)
    set(base ${base}_windows)
  endif()
  target_precompile_headers(${target} REUSE_FROM ${base})
endfunction()

# The targets of the given types made in the folder and below it, into out.
function(quillon_targets_under folder types out)
  set(found)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(${types})$")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(subfolder ${subfolders})
    quillon_targets_under(${subfolder} "${types}" below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Gives every library and program made in the folder and below it the
# precompiled header that suits it. Called once their links are all known.
function(quillon_precompile_headers folder)
  quillon_targets_under(${folder} "STATIC_LIBRARY|EXECUTABLE" targets)
  foreach(target ${targets})
    get_target_property(links ${target} LINK_LIBRARIES)
    quillon_reuse_pch(${target} quillon_pch ${links})
  endforeach()
endfunction()
