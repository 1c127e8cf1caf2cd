# Fails when one of FILES ("a|b|...") includes a header of a folder of SOURCE_ROOT that is not
# among ALLOWED ("folder,folder,..."). Every spelling of an include that the compiler takes is
# read: "..." or <...>, blanks, tabs and comments around the #, the %: digraph, #include_next and
# #import, a line continued with a backslash, and paths with ./ or ../ (resolved from the including
# file's folder). An include named by a macro cannot be followed, so it is refused.
# Run as: cmake -DSOURCE_ROOT=... -DTARGET=... -DALLOWED=... -DFILES=... -P CheckFolderIncludes.cmake
cmake_policy(VERSION 3.25)
string(REPLACE "," ";" allowed "${ALLOWED}")
string(REPLACE "|" ";" files "${FILES}")
file(GLOB children LIST_DIRECTORIES true RELATIVE ${SOURCE_ROOT} ${SOURCE_ROOT}/*)
set(folders "")
foreach(child IN LISTS children)
  if(IS_DIRECTORY ${SOURCE_ROOT}/${child})
    list(APPEND folders ${child})
  endif()
endforeach()

set(faults "")
foreach(file IN LISTS files)
  file(READ ${file} text)
  # Semicolons would split the text into a list; line continuations join their lines.
  string(REPLACE ";" " " text "${text}")
  string(REGEX REPLACE "\\\\\r?\n" "" text "${text}")
  # A comment within a line stands for a blank, as it does for the compiler; a directive may also
  # follow the end of a comment of several lines.
  string(REGEX REPLACE "/\\*([^*\n]|\\*+[^*/\n])*\\*+/" " " text "${text}")
  string(REGEX REPLACE "\\*/" "*/\n" text "${text}")
  set(directive "(^|\n)[ \t]*(#|%:)[ \t]*(include_next|include|import)")
  string(REGEX MATCHALL "${directive}[ \t]+[A-Za-z_][^\n]*" computed "${text}")
  foreach(line IN LISTS computed)
    string(STRIP "${line}" line)
    list(APPEND faults "  ${file}: ${line} (a header named by a macro cannot be checked)")
  endforeach()
  string(REGEX MATCHALL "${directive}[ \t]*[<\"][^>\"\n]+[>\"]" includes "${text}")
  get_filename_component(dir ${file} DIRECTORY)
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^\n?[ \t]*(#|%:)[ \t]*[a-z_]+[ \t]*[<\"]([^>\"\n]+)[>\"]$" "\\2" path
           "${line}")
    string(STRIP "${line}" line)
    # A path from the including file's own folder that lands in src/, or one written from src/.
    set(included "")
    get_filename_component(beside ${path} ABSOLUTE BASE_DIR ${dir})
    file(RELATIVE_PATH from_root ${SOURCE_ROOT} ${beside})
    if(EXISTS ${beside} AND NOT from_root MATCHES "^\\.\\./")
      string(REGEX REPLACE "/.*" "" included "${from_root}")
    elseif(path MATCHES "/")
      get_filename_component(from_src ${path} ABSOLUTE BASE_DIR ${SOURCE_ROOT})
      file(RELATIVE_PATH from_root ${SOURCE_ROOT} ${from_src})
      string(REGEX REPLACE "/.*" "" included "${from_root}")
    endif()
    if(NOT included OR NOT included IN_LIST folders OR included IN_LIST allowed)
      continue()
    endif()
    list(APPEND faults "  ${file}: ${line} (${TARGET} may not use src/${included})")
  endforeach()
endforeach()

if(faults)
  string(REPLACE ";" "\n" faults "${faults}")
  message(FATAL_ERROR "Includes of folders that ${TARGET} may not use:\n${faults}")
endif()
