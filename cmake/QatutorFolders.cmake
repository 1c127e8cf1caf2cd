# Each folder of src/ is one library. qatutor_folder(NAME SOURCES... [USES FOLDER...]) builds the
# folder's library `qatutor_NAME`, links the libraries of the folders it uses, and records them.
# A folder with no sources is a header-only (INTERFACE) library. A folder may use only folders
# made before it.
#
# Every target built from this project's code depends on a check of its own files' includes
# (CheckFolderIncludes.cmake), so that building any one target fails on an include of a folder it
# may not use:
#   - the files of src/NAME may include src/NAME and the folders it lists in USES;
#   - tests, benchmarks, fuzz targets and tools (qatutor_uses) may include the folders they name
#     and every folder those use, directly or not.
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
  set_property(GLOBAL PROPERTY QATUTOR_USES_${name} "${arg_USES}")
  file(GLOB_RECURSE files CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  qatutor_check_includes(${target} ALLOWED ${name} ${arg_USES} FILES ${files})
endfunction()

# qatutor_uses(TARGET FOLDER...): TARGET, a test, benchmark, fuzz target or tool, links the
# libraries of the folders it exercises, and its sources (with the headers beside them) may
# include those folders and everything below them.
function(qatutor_uses target)
  set(allowed "")
  set(pending ${ARGN})
  while(pending)
    list(POP_FRONT pending folder)
    if(NOT folder IN_LIST allowed)
      list(APPEND allowed ${folder})
      get_property(below GLOBAL PROPERTY QATUTOR_USES_${folder})
      list(APPEND pending ${below})
    endif()
  endwhile()
  foreach(folder IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE qatutor_${folder})
  endforeach()
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(files "")
  foreach(source IN LISTS sources)
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${source_dir})
    get_filename_component(dir ${source} DIRECTORY)
    file(GLOB headers CONFIGURE_DEPENDS ${dir}/*.h)
    list(APPEND files ${source} ${headers})
  endforeach()
  list(REMOVE_DUPLICATES files)
  qatutor_check_includes(${target} ALLOWED ${allowed} FILES ${files})
endfunction()

# qatutor_check_includes(TARGET ALLOWED FOLDER... FILES FILE...): TARGET depends on a check that
# fails when one of FILES includes a header of a folder of src/ not among ALLOWED. It runs again
# whenever one of the files changes.
function(qatutor_check_includes target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "ALLOWED;FILES")
  string(REPLACE ";" "," allowed "${arg_ALLOWED}")
  string(REPLACE ";" "|" files "${arg_FILES}")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} "-DSOURCE_ROOT=${PROJECT_SOURCE_DIR}/src" "-DTARGET=${target}"
            "-DALLOWED=${allowed}" "-DFILES=${files}"
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckFolderIncludes.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${arg_FILES} ${PROJECT_SOURCE_DIR}/cmake/CheckFolderIncludes.cmake
    COMMENT "Checking that ${target} includes only the folders it may use"
    VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()

# Stops the configuration when a program or library made in DIR or below it has no include
# check, so that no target can escape the layers.
function(qatutor_require_include_checks dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      get_target_property(dependencies ${target} MANUALLY_ADDED_DEPENDENCIES)
      if(NOT "${target}_includes" IN_LIST dependencies)
        message(FATAL_ERROR "${target} has no include check: make it with qatutor_folder, or "
                            "name the folders it uses with qatutor_uses")
      endif()
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    # Outside sources built here (GoogleTest's, for Windows) are not the program's layers.
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${subdirectory}" NORMALIZE inside)
    if(NOT inside)
      continue()
    endif()
    qatutor_require_include_checks(${subdirectory})
  endforeach()
endfunction()
