# Each folder of src/ is one library. qatutor_folder(NAME SOURCES... [USES FOLDER...]) builds the
# folder's library `qatutor_NAME`, links the libraries of the folders it uses, and records them, so
# that the include check (CheckFolderIncludes.cmake) can refuse an include of any other folder.
# A folder with no sources is a header-only (INTERFACE) library. A folder may use only folders
# made before it.
function(qatutor_folder name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;USES")
  set(target qatutor_${name})
  if(arg_SOURCES)
    add_library(${target} STATIC ${arg_SOURCES})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${PROJECT_SOURCE_DIR}/src)
  foreach(used IN LISTS arg_USES)
    # A folder uses only folders made before it, so the folders can never depend in a circle.
    if(NOT TARGET qatutor_${used})
      message(FATAL_ERROR "src/${name} uses src/${used}, which is not built before it")
    endif()
    target_link_libraries(${target} ${scope} qatutor_${used})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY QATUTOR_FOLDERS "${name}")
  set_property(GLOBAL PROPERTY QATUTOR_USES_${name} "${arg_USES}")
endfunction()

# Adds a target, built with everything, that fails the build when a file in a folder of src/
# includes a header of a folder it does not use. Runs again whenever a source file changes.
function(qatutor_check_folder_includes)
  get_property(folders GLOBAL PROPERTY QATUTOR_FOLDERS)
  set(rules "")
  set(sources "")
  foreach(folder IN LISTS folders)
    get_property(uses GLOBAL PROPERTY QATUTOR_USES_${folder})
    string(REPLACE ";" "," uses "${uses}")
    list(APPEND rules "${folder}:${uses}")
    file(GLOB_RECURSE folder_sources CONFIGURE_DEPENDS
         ${PROJECT_SOURCE_DIR}/src/${folder}/*.h ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
    list(APPEND sources ${folder_sources})
  endforeach()
  string(REPLACE ";" "+" rules "${rules}")
  set(stamp ${CMAKE_BINARY_DIR}/folder_includes.checked)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} "-DSOURCE_ROOT=${PROJECT_SOURCE_DIR}/src" "-DRULES=${rules}"
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckFolderIncludes.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${sources} ${PROJECT_SOURCE_DIR}/cmake/CheckFolderIncludes.cmake
    COMMENT "Checking that each folder includes only the folders it uses"
    VERBATIM)
  add_custom_target(qatutor_folder_includes ALL DEPENDS ${stamp})
endfunction()
