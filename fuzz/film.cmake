opal_fuzz(film_load_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/film_load_fuzz.cpp opal_film)
