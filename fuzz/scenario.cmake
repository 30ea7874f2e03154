# Readers of scenario data: pages (.osb) with their text form, and the
# project files (opal.opb, install.dat) with their settings text.
opal_fuzz(page_load_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/page_load_fuzz.cpp opal_formats)
opal_fuzz(project_load_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/project_load_fuzz.cpp opal_formats)
