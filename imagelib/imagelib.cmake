# The picture model and the format classes (Windows build).
qm_library(qm_imagelib DIRS imagelib DEPS qm_bmc qm_win qm_rtl)
target_link_libraries(qm_imagelib PUBLIC qm_tiff qm_jpeg qm_png qm_zlib)
