# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix-threads compilers, which
# std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QATUTOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QATUTOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QATUTOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QATUTOR_MINGW_TRIPLET}-windres)

# Headers and libraries come from the target's tree only; programs (moc, the compilers' helpers)
# from the Linux machine. Packages are searched in both, since Qt's own build finds its Linux host
# tools' packages through QT_HOST_PATH.
# Libraries built for Windows elsewhere (ICU) are found by adding their install folders with
# -DCMAKE_FIND_ROOT_PATH=FOLDER;...
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QATUTOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
