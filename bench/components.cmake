opal_bench(components_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/components_bench.cpp
  LIBS opal_components opal_imagefiles)
