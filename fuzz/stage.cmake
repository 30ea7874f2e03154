opal_fuzz(stage_record ${CMAKE_CURRENT_SOURCE_DIR}/stage_record_fuzz.cpp opal_stage)
opal_fuzz(cursor_file_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/cursor_file_fuzz.cpp opal_stage)
# Seeds of cursor_file_fuzz: cursor_seed_gen fuzz/corpus/cursor_file_fuzz
add_executable(cursor_seed_gen ${CMAKE_CURRENT_SOURCE_DIR}/cursor_seed_gen.cpp)
target_link_libraries(cursor_seed_gen PRIVATE opal_stage)
