# The include check against every spelling of an include that the compiler takes. A folder
# "low" of a small source tree may use only itself; each case is one file of it, checked alone.
# Run as: cmake -DCHECK=.../CheckFolderIncludes.cmake -DWORK=<scratch folder> -P check_includes_test.cmake
cmake_policy(VERSION 3.25)
set(root ${WORK}/src)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${root}/low ${root}/high)
file(WRITE ${root}/high/high.h "")
file(WRITE ${root}/low/low.h "")

# name|refused (1; 2 for a header named by a macro) or taken (0)|text of the file
set(cases
  "quoted|1|#include \"high/high.h\""
  "angle brackets|1|#include <high/high.h>"
  "blanks after the hash|1|#  include \"high/high.h\""
  "blanks and tabs around|1| \t#\tinclude  \t\"high/high.h\""
  "no blank before the path|1|#include\"high/high.h\""
  "the digraph|1|%:include \"high/high.h\""
  "continued on the next line|1|#include \\\n\"high/high.h\""
  "from the file's own folder|1|#include \"../high/high.h\""
  "comments around the hash|1|/* a */ #/* b */include /* c */ \"high/high.h\""
  "after a comment of several lines|1|/* a\n   b */ #include <high/high.h>"
  "include_next and import|1|#include_next <high/high.h>\n#import \"high/high.h\""
  "named by a macro|2|#define HIGH \"high/high.h\"\n#include HIGH"
  "after other lines|1|#include <string>\nint x = 1\n#include \"high/high.h\""
  "its own folder|0|#include \"low/low.h\"\n#include \"low.h\""
  "a library's header|0|#include <gtest/gtest.h>\n#include <QFont>"
  "in a comment|0|// #include \"high/high.h\"")

set(failures 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 refused)
  list(GET parts 2 text)
  file(WRITE ${root}/low/case.cpp "${text}\n")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE_ROOT=${root} -DTARGET=low -DALLOWED=low
            -DFILES=${root}/low/case.cpp -P ${CHECK}
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
  if(refused AND result EQUAL 0)
    message(SEND_ERROR "${name}: the include of high/ passed the check")
    math(EXPR failures "${failures} + 1")
  elseif(NOT refused AND NOT result EQUAL 0)
    message(SEND_ERROR "${name}: refused:\n${errors}")
    math(EXPR failures "${failures} + 1")
  elseif(refused EQUAL 2 AND NOT errors MATCHES "case.cpp: #include HIGH \\(a header named by a macro")
    message(SEND_ERROR "${name}: the message does not name the file and the line:\n${errors}")
    math(EXPR failures "${failures} + 1")
  elseif(refused EQUAL 1 AND NOT errors MATCHES "case.cpp: .*high/high.h.*\\(low may not use src/high\\)")
    message(SEND_ERROR "${name}: the message does not name the file and the folder:\n${errors}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
if(failures EQUAL 0)
  message(STATUS "every spelling checked")
endif()
