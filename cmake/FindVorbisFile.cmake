# Finds libvorbisfile, which ships no CMake package of its own, and defines the target VorbisFile::VorbisFile.
# Installed beside kvConfig.cmake, so that a game built on the installed engine finds it the same way.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(PC_VorbisFile QUIET vorbisfile)
endif()
find_path(VorbisFile_INCLUDE_DIR vorbis/vorbisfile.h HINTS ${PC_VorbisFile_INCLUDE_DIRS})
find_library(VorbisFile_LIBRARY vorbisfile HINTS ${PC_VorbisFile_LIBRARY_DIRS})
set(VorbisFile_VERSION ${PC_VorbisFile_VERSION})

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(VorbisFile
  REQUIRED_VARS VorbisFile_LIBRARY VorbisFile_INCLUDE_DIR VERSION_VAR VorbisFile_VERSION)

if(VorbisFile_FOUND AND NOT TARGET VorbisFile::VorbisFile)
  add_library(VorbisFile::VorbisFile UNKNOWN IMPORTED)
  set_target_properties(VorbisFile::VorbisFile PROPERTIES
    IMPORTED_LOCATION ${VorbisFile_LIBRARY} INTERFACE_INCLUDE_DIRECTORIES ${VorbisFile_INCLUDE_DIR})
endif()
mark_as_advanced(VorbisFile_INCLUDE_DIR VorbisFile_LIBRARY)
