# The PNG and bitmap decoders. Their seeds come from imagefiles_seed_gen
# (scripts/fuzz-corpus-imagedecoders), which uses the project's own writers.
opal_fuzz(png_fuzz png_fuzz.cpp opal_imagefiles opal_raster opal_storage opal_common)
opal_fuzz(bmp_fuzz bmp_fuzz.cpp opal_imagefiles opal_raster opal_storage opal_common)
find_package(PNG REQUIRED)
add_executable(imagefiles_seed_gen imagefiles_seed_gen.cpp)
target_include_directories(imagefiles_seed_gen PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(imagefiles_seed_gen PRIVATE opal_imagefiles opal_storage opal_common PNG::PNG
  ZLIB::ZLIB)
set_target_properties(imagefiles_seed_gen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
# The fuzzing build of the PNG decoder skips chunk and zlib checksums.
target_compile_definitions(opal_imagefiles PRIVATE FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
