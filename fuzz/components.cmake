opal_fuzz(map_file_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/map_file_fuzz.cpp opal_components)
opal_fuzz(image_record_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/image_record_fuzz.cpp opal_components opal_imagefiles)
opal_fuzz(mes_record_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/mes_record_fuzz.cpp opal_components opal_scenario)
