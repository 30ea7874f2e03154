# Decoding layered images in each storage mode, beside libpng decoding the
# same pixels, zlib inflating them and memcpy. Built when libpng and zlib
# are found.
find_package(PNG QUIET)
find_package(JPEG QUIET)
find_package(ZLIB QUIET)
if(PNG_FOUND AND JPEG_FOUND AND ZLIB_FOUND)
  opal_bench(brio_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/brio_bench.cpp
             LIBS opal_imagefiles opal_storage opal_common PNG::PNG ZLIB::ZLIB)
else()
  message(STATUS "libpng, libjpeg or zlib not found: brio_bench is not built")
endif()
