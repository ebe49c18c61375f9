# Helpers shared by every folder's CMakeLists.txt.

set(QM_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "The private Wine prefix the tests run in")
set(QM_WINEPREFIX_CLASSIC ${CMAKE_BINARY_DIR}/wineprefix-classic CACHE PATH
  "The second Wine prefix (visual styles off, classic colours) the CLASSIC test programs run in too")
if(NOT QM_NATIVE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run.sh)
  # Wine's debugger reads DWARF up to version 4: with the compiler's default (5) a stack dump of
  # a hanging program names no function of ours.
  add_compile_options(-gdwarf-4)
endif()
# Debian's Python first: the tests' picture cross-checks use its Pillow (python3-pil).
if(EXISTS /usr/bin/python3)
  set(QM_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 for tests and build scripts" FORCE)
else()
  find_program(QM_PYTHON python3 REQUIRED)
endif()

# Precompiled headers: the C++ library (and Windows) headers nearly every file includes, made once
# for the libraries and once, with GoogleTest, for the test programs; every other target of the
# kind reuses that one. CMAKE_DISABLE_PRECOMPILE_HEADERS=ON builds without them.
set(QM_PCH_HEADERS <algorithm> <array> <atomic> <cstdint> <cstring> <exception> <functional> <map>
  <memory> <mutex> <set> <string> <string_view> <utility> <vector>)
if(NOT QM_NATIVE)
  list(APPEND QM_PCH_HEADERS <windows.h> <commctrl.h>)
endif()

# qm_use_pch(target LIB|TEST): the target's C++ files start from the shared header of its kind.
function(qm_use_pch target kind)
  string(TOLOWER "qm_pch_${kind}" owner)
  if(NOT TARGET ${owner})
    # The owner is an object library of one empty file with the flags of its kind.
    set(src ${CMAKE_BINARY_DIR}/${owner}.cpp)
    file(CONFIGURE OUTPUT ${src} CONTENT "")
    add_library(${owner} OBJECT ${src})
    set(headers ${QM_PCH_HEADERS})
    if(kind STREQUAL "TEST")
      list(APPEND headers <gtest/gtest.h>)
      target_link_libraries(${owner} PRIVATE GTest::gtest)
      qm_test_optimisation(${owner})
    endif()
    list(TRANSFORM headers REPLACE "(.+)" "$<$<COMPILE_LANGUAGE:CXX>:\\1>")
    target_precompile_headers(${owner} PRIVATE ${headers})
  endif()
  target_precompile_headers(${target} REUSE_FROM ${owner})
endfunction()

# Test programs measure no speed: their own files are built for a quick compile (the libraries
# they test keep the product's optimisation). The host build compiles them unoptimised already.
# Their debug information is the line tables only (-g1): a crash's backtrace still names files,
# functions and lines, and the compile takes about a third less time than with full information
# (-DQM_TEST_FULL_DEBUG_INFO=ON brings the variables back for a debugging session).
option(QM_TEST_FULL_DEBUG_INFO "Full debug information (variables, types) in the test programs' own files" OFF)
function(qm_test_optimisation target)
  if(NOT QM_NATIVE)
    target_compile_options(${target} PRIVATE -Og)
    if(NOT QM_TEST_FULL_DEBUG_INFO)
      target_compile_options(${target} PRIVATE -g1)
    endif()
  endif()
endfunction()

# qm_library(name DIRS dir... [FILES file...] [EXCLUDE file...] [DEPS target...])
# A static library of every .cpp in the given folders (an interface library while they
# hold none yet), so new sources only need to be dropped into their folder.
function(qm_library name)
  cmake_parse_arguments(A "" "" "DIRS;FILES;EXCLUDE;DEPS" ${ARGN})
  set(srcs)
  foreach(d ${A_DIRS})
    file(GLOB s CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${d}/*.cpp ${CMAKE_SOURCE_DIR}/${d}/*.c)
    list(APPEND srcs ${s})
  endforeach()
  foreach(f ${A_FILES})
    if(EXISTS ${CMAKE_SOURCE_DIR}/${f})
      list(APPEND srcs ${CMAKE_SOURCE_DIR}/${f})
    endif()
  endforeach()
  foreach(f ${A_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_SOURCE_DIR}/${f})
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_link_libraries(${name} PUBLIC ${A_DEPS})
    qm_use_pch(${name} LIB)
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${A_DEPS})
  endif()
endfunction()

# qm_test_objects(SOURCES file... LIBS target...)
# Support files that several test programs list among their sources (fixtures, the environment
# that starts a framework) are compiled once, each into an object library of its own, and every
# program takes the compiled object in the file's place (qm_add_test swaps it in). LIBS are the
# libraries those programs link: the object is compiled with their include folders and
# definitions. A program that links other libraries compiles the file itself, as before; the
# files must not read a definition that only some programs set (QM_SCREENSHOT_DIR is read by the
# support library alone).
function(qm_test_objects)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(QM_NATIVE)
    return()
  endif()
  list(REMOVE_DUPLICATES A_LIBS)
  list(SORT A_LIBS)
  foreach(src ${A_SOURCES})
    get_filename_component(path ${src} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${path})
    string(MAKE_C_IDENTIFIER "qm_obj_${rel}" name)
    add_library(${name} OBJECT ${path})
    target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest)
    qm_test_optimisation(${name})
    qm_use_pch(${name} TEST)
    set_property(GLOBAL PROPERTY "qm_test_object:${path}" "${name};${A_LIBS}")
  endforeach()
endfunction()

# qm_add_test(name SOURCES file... | GLOB pattern... [LIBS target...] [NATIVE] [WINDOW] [SERVER]
#             [CLIPBOARD] [INPUT] [ALONE] [UNMANAGED] [CLASSIC] [SHOTS picture...] [MAIN target])
# One GoogleTest program, one ctest entry. In the Windows build it runs under Wine;
# NATIVE programs are also built by the host build and run from it; WINDOW programs
# need the test run's X display; SERVER programs get a private test web server; CLIPBOARD
# programs use the system clipboard, which all programs of a run share, so they run one at a time;
# INPUT programs send real keyboard and mouse input to their foreground window, which a window of
# any other program could take, so they run alone. ALONE programs send no input but keep windows
# that close when another program takes the foreground (open menus), so they run alone too.
# UNMANAGED programs have Wine manage their windows
# itself (its "Managed=N"), as Windows does: the test display has no window manager, and with one
# expected each hide of a window waits about two seconds for it.
# The entry runs in the default prefix, whose visual style is on (QUILLMOOR_WINE_PROFILE=light);
# a CLASSIC program has a second entry <name>_classic (label classic) running the same program in
# the classic prefix (QUILLMOOR_WINE_PROFILE=classic). SHOTS names the pictures the program saves
# under <build>/screenshots (QM_SCREENSHOT_DIR): the test run's post-step makes them .png files and
# names those that were not written.
set(QM_NATIVE_TESTS "" CACHE INTERNAL "")
set(QM_UNMANAGED_TESTS "" CACHE INTERNAL "")
set(QM_UNMANAGED_CLASSIC OFF CACHE INTERNAL "")
set(QM_SCREENSHOTS "" CACHE INTERNAL "")
function(qm_add_test name)
  cmake_parse_arguments(A "NATIVE;WINDOW;SERVER;CLIPBOARD;INPUT;ALONE;UNMANAGED;CLASSIC" "MAIN" "SOURCES;GLOB;LIBS;SHOTS"
    ${ARGN})
  if(QM_NATIVE AND NOT A_NATIVE)
    return()
  endif()
  set(srcs ${A_SOURCES})
  foreach(g ${A_GLOB})
    file(GLOB s CONFIGURE_DEPENDS ${g})
    list(APPEND srcs ${s})
  endforeach()
  if(NOT srcs)
    return()
  endif()
  if(NOT A_MAIN)
    set(A_MAIN qm_test_main)
  endif()
  # Support files compiled once (qm_test_objects) for programs that link what they were compiled for.
  set(libs ${A_LIBS} ${A_MAIN})
  list(REMOVE_DUPLICATES libs)
  list(SORT libs)
  set(objs)
  foreach(src ${srcs})
    get_filename_component(path ${src} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    get_property(shared GLOBAL PROPERTY "qm_test_object:${path}")
    if(shared)
      list(POP_FRONT shared obj)
      if(shared STREQUAL libs)
        set(src $<TARGET_OBJECTS:${obj}>)
      endif()
    endif()
    list(APPEND objs ${src})
  endforeach()
  set(srcs ${objs})
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${A_LIBS} ${A_MAIN} GTest::gtest)
  qm_test_optimisation(${name})
  qm_use_pch(${name} TEST)
  set(labels)
  if(A_WINDOW)
    list(APPEND labels window)
  endif()
  set(cmd ${name})
  if(A_SERVER)
    list(APPEND labels server)
    set(cmd ${QM_PYTHON} ${CMAKE_SOURCE_DIR}/tests/server/run_with_server.py --)
    if(NOT QM_NATIVE)
      list(APPEND cmd ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
    list(APPEND cmd $<TARGET_FILE:${name}>)
  endif()
  set(entries ${name})
  if(A_CLASSIC AND NOT QM_NATIVE)
    list(APPEND entries ${name}_classic)
  endif()
  foreach(entry ${entries})
    set(prefix ${QM_WINEPREFIX})
    set(profile light)
    set(unmanaged wine_unmanaged)
    set(entry_labels ${labels})
    if(entry STREQUAL "${name}_classic")
      set(prefix ${QM_WINEPREFIX_CLASSIC})
      set(profile classic)
      set(unmanaged wine_unmanaged_classic)
      list(APPEND entry_labels classic)
    endif()
    add_test(NAME ${entry} COMMAND ${cmd})
    qm_wine_test(${entry} TIMEOUT 300 PREFIX ${prefix} LABELS ${entry_labels})
    set_property(TEST ${entry} APPEND PROPERTY ENVIRONMENT "QUILLMOOR_WINE_PROFILE=${profile}")
    if(A_CLIPBOARD)
      set_tests_properties(${entry} PROPERTIES RESOURCE_LOCK clipboard)
    endif()
    if(A_INPUT OR A_ALONE)
      set_tests_properties(${entry} PROPERTIES RUN_SERIAL TRUE)
    endif()
    if(A_UNMANAGED AND NOT QM_NATIVE)
      set_tests_properties(${entry} PROPERTIES FIXTURES_REQUIRED ${unmanaged})
    endif()
    # SaveShot names a classic entry's pictures apart, so both entries' pictures are kept.
    foreach(shot ${A_SHOTS})
      if(profile STREQUAL "classic")
        set(shot ${shot}-classic)
      endif()
      set(QM_SCREENSHOTS ${QM_SCREENSHOTS} "${shot} ${entry}" CACHE INTERNAL "")
    endforeach()
  endforeach()
  if(A_SHOTS)
    target_compile_definitions(${name} PRIVATE QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
  endif()
  if(A_UNMANAGED AND NOT QM_NATIVE)
    set(QM_UNMANAGED_TESTS ${QM_UNMANAGED_TESTS} ${name} CACHE INTERNAL "")
    if(A_CLASSIC)
      set(QM_UNMANAGED_CLASSIC ON CACHE INTERNAL "")
    endif()
  endif()
  if(A_NATIVE AND NOT QM_NATIVE)
    set(QM_NATIVE_TESTS ${QM_NATIVE_TESTS} ${name} CACHE INTERNAL "")
  endif()
endfunction()

# qm_wine_test(name TIMEOUT seconds [LABELS label...] [PREFIX folder]): the time-out and
# environment of a test whose command runs programs of the build under Wine through
# tools/wine-run.sh: a program still running 30 s before the time-out has its threads' stacks
# written into the output, then is ended. qm_add_test gives it to every test program; a test
# registered with add_test (a script, a set-up step) asks for it itself. A script that gives each program a shorter time of its own asks for
# the stacks sooner (QM_HANG_TIMEOUT is the longest a program may take).
function(qm_wine_test name)
  cmake_parse_arguments(A "" "TIMEOUT;PREFIX" "LABELS" ${ARGN})
  if(NOT A_PREFIX)
    set(A_PREFIX ${QM_WINEPREFIX})
  endif()
  math(EXPR hang "${A_TIMEOUT} - 30")
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT}
    ENVIRONMENT "WINEPREFIX=${A_PREFIX};QM_HANG_TIMEOUT=${hang}")
  if(A_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}")
  endif()
endfunction()

# One registry file names every UNMANAGED program; a set-up entry imports it into the test
# prefix once per run, before the first of them starts, and another into the classic prefix
# when a CLASSIC program needs it there.
function(qm_register_unmanaged_tests)
  set(reg "REGEDIT4\n")
  foreach(t ${QM_UNMANAGED_TESTS})
    string(APPEND reg "\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\${t}.exe\\X11 Driver]\n\"Managed\"=\"N\"\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/unmanaged.reg "${reg}")
  set(setups wine_unmanaged)
  if(QM_UNMANAGED_CLASSIC)
    list(APPEND setups wine_unmanaged_classic)
  endif()
  foreach(setup ${setups})
    set(prefix ${QM_WINEPREFIX})
    if(setup STREQUAL "wine_unmanaged_classic")
      set(prefix ${QM_WINEPREFIX_CLASSIC})
    endif()
    add_test(NAME ${setup}
      COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} regedit.exe /S Z:${CMAKE_BINARY_DIR}/unmanaged.reg)
    qm_wine_test(${setup} TIMEOUT 60 PREFIX ${prefix})
    set_tests_properties(${setup} PROPERTIES FIXTURES_SETUP ${setup})
  endforeach()
endfunction()

# The pictures the SHOTS programs save, one line each ("picture entry"), for the post-step of the
# test run that makes them .png files.
function(qm_register_screenshots)
  set(list "")
  foreach(line ${QM_SCREENSHOTS})
    string(APPEND list "${line}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/screenshots.list CONTENT "${list}")
endfunction()

# The host build's test programs run in the same ctest run as the Windows ones.
function(qm_register_native_tests)
  foreach(t ${QM_NATIVE_TESTS})
    add_test(NAME ${t}_native COMMAND ${CMAKE_BINARY_DIR}/native/bin/${t})
    set_tests_properties(${t}_native PROPERTIES TIMEOUT 300 LABELS native
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
  endforeach()
endfunction()

# qm_add_bench(name SOURCES file... [LIBS target...])
# Benchmarks are built only by `build.sh bench` and never run as tests.
function(qm_add_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} EXCLUDE_FROM_ALL ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_dependencies(benches ${name})
endfunction()

# qm_split_debug_info(target): the program is linked without its debug information, which goes
# into <name>.debug beside it (named by its .gnu_debuglink, which Wine's debugger follows). The
# shipped program gets this; the test programs keep theirs inside. The target may be defined in
# any folder: the link launcher is a target property.
function(qm_split_debug_info target)
  if(QM_NATIVE)
    return()
  endif()
  set_property(TARGET ${target} PROPERTY RULE_LAUNCH_LINK
    "${CMAKE_SOURCE_DIR}/cmake/split-debug-info.sh ${CMAKE_OBJCOPY}")
endfunction()

# The shipped program is defined in app/: it is split once every folder has been read.
function(qm_split_shipped_program)
  if(TARGET Quillmoor)
    qm_split_debug_info(Quillmoor)
  endif()
endfunction()
if(NOT QM_NATIVE)
  cmake_language(DEFER CALL qm_split_shipped_program)
endif()
