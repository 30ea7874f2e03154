# Pixel-buffer operations beside memcpy and beside the same composites done
# by pixman (speed only: pixman rounds differently). Built only when pixman
# is found.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(PIXMAN QUIET IMPORTED_TARGET pixman-1)
endif()
if(PIXMAN_FOUND)
  opal_bench(raster_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/raster_bench.cpp
             LIBS opal_raster PkgConfig::PIXMAN)
else()
  message(STATUS "pixman-1 not found: raster_bench is not built")
endif()
