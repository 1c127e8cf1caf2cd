# qatutor for Windows: the three programs in one folder with the Qt and mingw-w64 DLLs they load,
# and the installer CPack makes of that folder with NSIS (`cpack -G NSIS` in the build folder gives
# qatutor-VERSION-win64.exe). windows/NSIS.template.in is the installer's script: a per-user
# install without administrator rights, Start-menu entries and an uninstaller.
install(TARGETS qatutor qatutor-inbox qatutor-bankcheck RUNTIME DESTINATION .)

# Qt's libraries beside the programs, its Windows platform plugin and the native style plugin in
# the folders Qt looks for them in, next to the program.
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
if(TARGET Qt6::QWindowsVistaStylePlugin)
  install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
endif()

# The compiler's runtime, which Qt's libraries load (qatutor's own programs need it as well).
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
    message(FATAL_ERROR "The compiler's ${runtime} was not found (${runtime_path}).")
  endif()
  install(FILES ${runtime_path} DESTINATION .)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

# Every program and DLL installed goes without its symbols and debugging sections (mingw-w64's
# libstdc++-6.dll carries 20 MB of them): install(TARGETS) strips only qatutor's own programs, and
# only when asked to, while the DLLs are installed as files.
install(CODE "
  set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(GLOB shipped \"\${root}/*.exe\" \"\${root}/*.dll\" \"\${root}/platforms/*.dll\"
                    \"\${root}/styles/*.dll\")
  foreach(file IN LISTS shipped)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${file}\"
                    RESULT_VARIABLE stripped)
    if(NOT stripped EQUAL 0)
      message(FATAL_ERROR \"Could not strip \${file}\")
    endif()
  endforeach()
")

# The installer.
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME qatutor)
set(CPACK_PACKAGE_VENDOR "The qatutor authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "question-and-answer tutor for Liberal Arts Mathematics II")
set(CPACK_PACKAGE_FILE_NAME qatutor-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY qatutor)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY qatutor)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_NSIS_PACKAGE_NAME "qatutor ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME qatutor)
set(CPACK_NSIS_MUI_ICON ${PROJECT_BINARY_DIR}/src/app/qatutor.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_BINARY_DIR}/src/app/qatutor.ico)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_SOURCE_DIR}/windows)
include(CPack)
