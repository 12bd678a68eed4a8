# Install layout (GNU directories) and the Debian package made by CPack.
include(GNUInstallDirs)
# The documents go to share/doc/kel, named after the package (GNUInstallDirs
# would name the folder after the project, and Qt's CMake files set it first).
set(KEL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/kel)

# The man pages, with the version filled in and compressed as Debian keeps them.
foreach(page kel-batch kel)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${page}.1 ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  execute_process(COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/man/${page}.1
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/man/${page}.1.gz COMMAND_ERROR_IS_FATAL ANY)
endforeach()

if(WIN32)
  # One folder: kel-batch.exe beside its documents.
  install(TARGETS kel-batch RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
else()
  install(TARGETS kel-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/man/kel-batch.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md LICENSE DESTINATION ${KEL_INSTALL_DOCDIR})
endif()

if(TARGET kel)
  install(TARGETS kel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/man/kel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/kel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/kel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ui/faq.fil DESTINATION ${KEL_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME kel)
set(CPACK_PACKAGE_VENDOR "KEL developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Change block attribute values in many DWG and DXF drawings at once")
set(CPACK_PACKAGE_CONTACT "kel-support@example.org")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
if(WIN32)
  # kel-batch.exe and its documents, to unpack into any folder.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kel-batch-${PROJECT_VERSION}-windows-x64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # The Qt 6, C++ runtime and spreadsheet libraries (expat, libcsv), read
  # from what the programs link.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # libxlsxwriter and libzip are loaded when a sheet is first used, so the
  # programs do not name them: the packages that hold them, by name.
  set(kel_loaded_packages "")
  foreach(soname IN ITEMS ${KEL_XLSXWRITER_SONAME} ${KEL_LIBZIP_SONAME})
    execute_process(COMMAND dpkg-query -S "*/${soname}" OUTPUT_VARIABLE owner ERROR_QUIET)
    if(owner MATCHES "^([^:]+)")
      list(APPEND kel_loaded_packages ${CMAKE_MATCH_1})
    endif()
  endforeach()
  string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS ${kel_loaded_packages})
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "KEL sets, replaces, clears or deletes the values of block attributes (title\n block fields) in many DWG and DXF drawings in one run, from a window (kel)\n or the command line (kel-batch), and logs what it did.")
endif()
include(CPack)
