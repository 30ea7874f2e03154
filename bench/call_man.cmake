# The interpreter: commands per second of a run-on While/Calc loop.
opal_bench(call_man_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/call_man_bench.cpp LIBS opal_scenario)
