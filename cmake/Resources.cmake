# Build-time artwork and Windows resources.
#
# tools/make_resources.py draws every picture into ${QM_ARTWORK_DIR} when the build runs
# (target qm_artwork); nothing it makes is committed. qm_add_resources() compiles .rc files
# with windres into an object that is linked straight into a program: resources placed in a
# static library would be dropped by the linker, since no code refers to them.
#
#   qm_add_resources(<target> RC <file.rc>... [INCLUDE <dir>...])
#
# The .rc files name the pictures by file name only ("HandOpened.cur"); windres finds them in
# ${QM_ARTWORK_DIR}, and resources/*.rc can be #included by name.

find_program(QM_WINDRES NAMES i686-w64-mingw32-windres REQUIRED)

set(QM_ARTWORK_SCRIPT ${CMAKE_SOURCE_DIR}/tools/make_resources.py)
set(QM_ARTWORK_DIR ${CMAKE_BINARY_DIR}/artwork)

# The list of files the script writes, asked at configure time; a change of the script
# configures again so the list follows it.
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QM_ARTWORK_SCRIPT})
execute_process(COMMAND ${QM_PYTHON} ${QM_ARTWORK_SCRIPT} --list
  OUTPUT_VARIABLE _qm_art_names RESULT_VARIABLE _qm_art_rc OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT _qm_art_rc EQUAL 0)
  message(FATAL_ERROR "tools/make_resources.py --list failed")
endif()
string(REPLACE "\n" ";" _qm_art_names "${_qm_art_names}")
set(QM_ARTWORK_FILES)
foreach(n ${_qm_art_names})
  list(APPEND QM_ARTWORK_FILES ${QM_ARTWORK_DIR}/${n})
endforeach()

add_custom_command(OUTPUT ${QM_ARTWORK_FILES}
  COMMAND ${QM_PYTHON} ${QM_ARTWORK_SCRIPT} ${QM_ARTWORK_DIR}
  DEPENDS ${QM_ARTWORK_SCRIPT}
  COMMENT "Drawing the artwork"
  VERBATIM)
add_custom_target(qm_artwork DEPENDS ${QM_ARTWORK_FILES})

function(qm_add_resources target)
  cmake_parse_arguments(A "" "" "RC;INCLUDE" ${ARGN})
  if(NOT A_RC)
    message(FATAL_ERROR "qm_add_resources(${target}): no RC files")
  endif()
  set(flags -I ${QM_ARTWORK_DIR} -I ${CMAKE_SOURCE_DIR}/resources)
  foreach(d ${A_INCLUDE})
    list(APPEND flags -I ${d})
  endforeach()
  foreach(rc ${A_RC})
    get_filename_component(rc ${rc} ABSOLUTE)
    get_filename_component(rc_name ${rc} NAME_WE)
    get_filename_component(rc_dir ${rc} DIRECTORY)
    set(obj ${CMAKE_CURRENT_BINARY_DIR}/${target}_res/${rc_name}.res.o)
    set(dep ${CMAKE_CURRENT_BINARY_DIR}/${target}_res/${rc_name}.res.d)
    # The preprocessor's dependency list lets a change of an #included .rc rebuild it.
    add_custom_command(OUTPUT ${obj}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/${target}_res
      COMMAND ${QM_WINDRES} --input-format=rc --output-format=coff
              "--preprocessor-arg=-MMD" "--preprocessor-arg=-MF${dep}" "--preprocessor-arg=-MT${obj}"
              -I ${rc_dir} ${flags} -i ${rc} -o ${obj}
      DEPENDS ${rc} ${QM_ARTWORK_FILES} qm_artwork
      DEPFILE ${dep}
      COMMENT "Compiling resources ${rc_name}.rc for ${target}"
      VERBATIM)
    set_source_files_properties(${obj} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
    target_sources(${target} PRIVATE ${obj})
  endforeach()
endfunction()
