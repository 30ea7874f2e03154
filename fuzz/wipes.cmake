# Every wipe kind with fuzzer-chosen options, times, screens and rule
# pictures. Its seeds come from wipe_seed_gen (fuzz/seeds), which writes
# rule pictures with the project's own encoder.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
opal_fuzz(wipe_fuzz wipe_fuzz.cpp opal_wipes opal_imagefiles opal_raster opal_storage opal_common)
