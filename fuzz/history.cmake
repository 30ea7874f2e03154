# The history formats block with a window's message data, and the read marks.
opal_fuzz(history_formats_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/history_formats_fuzz.cpp opal_history opal_platform_fonts)
opal_fuzz(read_marks_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/read_marks_fuzz.cpp opal_history)
