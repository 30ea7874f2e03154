opal_fuzz(stage_record ${CMAKE_CURRENT_SOURCE_DIR}/stage_record_fuzz.cpp opal_stage)
