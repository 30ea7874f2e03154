# Every wipe kind's step at 1280×720, 32 and 16 bits, beside memcpy of one
# frame; the rule picture's Prepare apart.
opal_bench(wipe_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/wipe_bench.cpp
           LIBS opal_wipes opal_imagefiles opal_storage opal_common)
