# The PNG and bitmap decoders. Their seeds come from imagefiles_seed_gen
# (fuzz/seeds, scripts/fuzz-corpus-imagedecoders), which uses the project's
# own writers.
opal_fuzz(png_fuzz png_fuzz.cpp opal_imagefiles opal_raster opal_storage opal_common)
opal_fuzz(bmp_fuzz bmp_fuzz.cpp opal_imagefiles opal_raster opal_storage opal_common)
# The fuzzing build of the PNG decoder skips chunk and zlib checksums.
target_compile_definitions(opal_imagefiles PRIVATE FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
