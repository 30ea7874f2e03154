# Archive reading: a large directory, name lookups, inflating a large entry
# beside zlib and libdeflate alone.
opal_bench(archive_bench SOURCES archive_bench.cpp LIBS opal_storage opal_common ZLIB::ZLIB PkgConfig::LIBDEFLATE)
# Both inflation ratios in one run: a 5 MB compressed entry loaded against
# zlib's uncompress of the same bytes, and a 1280 × 720 32-bit layered image
# of zlib rows decoded against libpng decoding the same picture
# (`ninja inflation_ratios`; each prints its `ratio` counter).
if(TARGET brio_bench)
  add_custom_target(inflation_ratios
    COMMAND archive_bench --benchmark_filter=Ratio
    COMMAND brio_bench --benchmark_filter=Ratio
    DEPENDS archive_bench brio_bench
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    USES_TERMINAL)
endif()
