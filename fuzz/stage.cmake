opal_fuzz(stage_record ${CMAKE_CURRENT_SOURCE_DIR}/stage_record_fuzz.cpp opal_stage)
opal_fuzz(cursor_file_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/cursor_file_fuzz.cpp opal_stage)
