# The picture model and the format classes (Windows build).
qm_library(qm_imagelib DIRS imagelib EXCLUDE imagelib/AnnotText.cpp DEPS qm_annot_text qm_bmc qm_win qm_rtl)
target_link_libraries(qm_imagelib PUBLIC qm_tiff qm_jpeg qm_png qm_zlib)
