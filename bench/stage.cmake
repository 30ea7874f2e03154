opal_bench(stage_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/stage_bench.cpp LIBS opal_stage)
