opal_bench(expr_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/expr_bench.cpp LIBS opal_expr)
