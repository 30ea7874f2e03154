# Every pixel-buffer operation with fuzzer-chosen buffers and arguments.
opal_fuzz(raster_draw_fuzz raster_draw_fuzz.cpp opal_raster opal_common)
