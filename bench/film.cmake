opal_bench(film_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/film_bench.cpp LIBS opal_film)
