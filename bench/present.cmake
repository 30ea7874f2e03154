opal_bench(present_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/present_bench.cpp LIBS opal_shell opal_platform_sdl)
