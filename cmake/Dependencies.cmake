# The picture libraries cross-built by tools/setup.sh (QM_DEPS) and zlib from Debian's
# libz-mingw-w64-dev, all static.
if(NOT QM_DEPS OR NOT EXISTS ${QM_DEPS}/lib/libjpeg.a)
  message(FATAL_ERROR "QM_DEPS must name the folder tools/setup.sh built the libraries into")
endif()

function(qm_import_lib name file)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES
    IMPORTED_LOCATION ${file}
    INTERFACE_INCLUDE_DIRECTORIES ${QM_DEPS}/include)
endfunction()

qm_import_lib(qm_zlib /usr/i686-w64-mingw32/lib/libz.a)
qm_import_lib(qm_jpeg ${QM_DEPS}/lib/libjpeg.a)
qm_import_lib(qm_png ${QM_DEPS}/lib/libpng16.a)
qm_import_lib(qm_tiff ${QM_DEPS}/lib/libtiff.a)
set_target_properties(qm_png PROPERTIES INTERFACE_LINK_LIBRARIES qm_zlib)
set_target_properties(qm_tiff PROPERTIES INTERFACE_LINK_LIBRARIES "qm_jpeg;qm_zlib")
