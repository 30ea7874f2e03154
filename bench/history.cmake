# The message history: replaying a backlog through the message cache against
# laying the same messages out directly, and committing entries and pages
# into a history that trims itself.
opal_bench(history_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/history_bench.cpp
  LIBS opal_history opal_text opal_platform_fonts)
