# vk_embed_version(<target> DESCRIPTION <text> [SPECIAL_BUILD <text>] [VERSION a.b.c.d])
# Builds the version information into the executable itself (section
# .quorvel_version), where CAEVersionInfo reads it back from the file.
set(VK_SPECIAL_BUILD "" CACHE STRING "SpecialBuild text of the version information (e.g. beta)")


function(vk_version_literal out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\" \"\\0\"" PARENT_SCOPE)
endfunction()

function(vk_embed_version target)
  cmake_parse_arguments(ARG "" "DESCRIPTION;SPECIAL_BUILD;VERSION" "" ${ARGN})
  if(NOT DEFINED ARG_SPECIAL_BUILD)
    set(ARG_SPECIAL_BUILD "${VK_SPECIAL_BUILD}")
  endif()
  set(v ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK})
  if(PROJECT_VERSION_TWEAK STREQUAL "")
    set(v ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
  endif()
  if(DEFINED ARG_VERSION)
    set(v "${ARG_VERSION}")
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(entries
    "SpecialBuild" "${ARG_SPECIAL_BUILD}"
    "PrivateBuild" ""
    "ProductVersion" "${v}"
    "ProductName" "Quorvel Dravena Configuration"
    "OriginalFilename" "${name}"
    "LegalTrademarks" ""
    "LegalCopyright" "Copyright (C) 2026 Selvo"
    "InternalName" "${name}"
    "FileVersion" "${v}"
    "FileDescription" "${ARG_DESCRIPTION}"
    "CompanyName" "Selvo"
    "Comments" "")
  vk_version_literal(lit "\\")
  set(VK_VERSION_ENTRIES "    ${lit}")
  vk_version_literal(lit "${v}")
  string(APPEND VK_VERSION_ENTRIES " ${lit}\n")
  list(LENGTH entries count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET entries ${i} key)
    list(GET entries ${j} value)
    vk_version_literal(klit "\\StringFileInfo\\040904b0\\${key}")
    vk_version_literal(vlit "${value}")
    string(APPEND VK_VERSION_ENTRIES "    ${klit} ${vlit}\n")
  endforeach()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.cpp)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/VersionBlock.cpp.in ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
