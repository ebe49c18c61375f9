# The picture model and the format classes (Windows build).
qm_library(qm_imagelib DIRS imagelib DEPS qm_bmc qm_win qm_rtl)
