# The linker of every Windows program, test program and DLL of the build.
#
# QM_LINKER=lld (the default): LLVM's lld, whose MinGW driver takes GNU ld's command line. It links
# a test program about five times faster than GNU ld, and after an edit to a library every
# program using it links again, so this decides how long an edit takes to reach the tests.
# QM_LINKER=bfd: the tool chain's own GNU ld, kept as the reference the edit-loop bench measures
# against.
#
# The compiler driver is built with its GNU ld wired in and ignores -fuse-ld=lld, so the driver
# settings file cmake/ld-lld.driver names ld.lld as the program the driver runs to link. The driver then hands the
# linker the same arguments it gives GNU ld, less the LTO plugin options (nothing here is built
# for link-time optimisation, and lld reads no GCC plugin).
#
# lld writes other header values than GNU ld by default, and Windows (and Wine) treat a program by
# them: subsystem and OS version 6.0 instead of 4.0 (a program marked 6.0 gets other window frames
# and message box handling), a 1 MB main-thread stack instead of 2 MB, and the Terminal Server
# flag. The options below give every program GNU ld's values, so the linker changes nothing but
# the link time (tests/smoke/check_binaries.py checks them).
set(QM_LINKER lld CACHE STRING "The linker of the Windows programs: lld or bfd (GNU ld)")
set_property(CACHE QM_LINKER PROPERTY STRINGS lld bfd)

if(QM_LINKER STREQUAL "lld")
  find_program(QM_LLD ld.lld)
  if(NOT QM_LLD)
    message(FATAL_ERROR "ld.lld is missing (Debian package lld; tools/setup.sh installs it)")
  endif()
  add_link_options(-specs=${CMAKE_CURRENT_LIST_DIR}/ld-lld.driver -fno-use-linker-plugin
    -Wl,--major-os-version=4,--minor-os-version=0,--major-subsystem-version=4,--minor-subsystem-version=0
    -Wl,--stack=2097152,--disable-tsaware)
elseif(NOT QM_LINKER STREQUAL "bfd")
  message(FATAL_ERROR "QM_LINKER is lld or bfd, not ${QM_LINKER}")
endif()
