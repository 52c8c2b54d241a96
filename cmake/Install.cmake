# Installation and the Debian package.
#
# `cmake --install BUILD [--prefix DIR]` puts the programs into bin/ and the
# library files the build made beside them (Word.Dat, and the tables
# ZEZID.D00 ... ZEZID.D31 when the default library was built) into
# share/pellarocr/, where the programs look for them. `cpack -G DEB` in the
# build folder makes a Debian package of the same files under the
# installation prefix (configure with -DCMAKE_INSTALL_PREFIX=/usr for a
# package that installs under /usr); its dependencies come from the
# libraries the programs link.
install(TARGETS pellarocr-cli pellarocr-train RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ DESTINATION ${PELLAR_INSTALL_DATA_DIR}
        FILES_MATCHING PATTERN "ZEZID.D[0-9][0-9]" PATTERN "Word.Dat")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pellarocr)
set(CPACK_PACKAGE_VENDOR PellarOCR)
set(CPACK_PACKAGE_CONTACT "PellarOCR developers <pellarocr@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "OCR for printed Chinese: command line, template library and training tools")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
