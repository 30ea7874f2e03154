opal_bench(story_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/story_bench.cpp
  LIBS opal_components opal_imagefiles opal_text opal_platform_fonts)
