# The headers CMake writes for the core: the version from project(VERSION), the one place it
# is written, and the folders of an installation. Included right after the core library, so
# that every build of it (fuzzers too) has them.
include(GNUInstallDirs)

set(KESTRUM_PACKAGE kestrum-milling)
set(KESTRUM_TABLES_DIR ${CMAKE_INSTALL_DATADIR}/${KESTRUM_PACKAGE}/tables)
set(KESTRUM_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KESTRUM_PACKAGE})
set(KESTRUM_EXAMPLES_DIR ${KESTRUM_DOC_DIR}/examples)
set(KESTRUM_TABLES_FULL_DIR ${CMAKE_INSTALL_PREFIX}/${KESTRUM_TABLES_DIR})
set(KESTRUM_EXAMPLES_FULL_DIR ${CMAKE_INSTALL_PREFIX}/${KESTRUM_EXAMPLES_DIR})
file(RELATIVE_PATH KESTRUM_TABLES_FROM_PROGRAMS ${CMAKE_INSTALL_FULL_BINDIR}
     ${KESTRUM_TABLES_FULL_DIR})

set(KESTRUM_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/kestrum_version.h.in
               ${KESTRUM_GENERATED_DIR}/kestrum_version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/kestrum_install_dirs.h.in
               ${KESTRUM_GENERATED_DIR}/kestrum_install_dirs.h @ONLY)
target_include_directories(kestrum_core PUBLIC ${KESTRUM_GENERATED_DIR})
