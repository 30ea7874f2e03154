# Tables: manager blocks of a save, and tab-separated text loaded into a table.
opal_fuzz(db_block_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/db_block_fuzz.cpp opal_db)
opal_fuzz(db_tsv_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/db_tsv_fuzz.cpp opal_db)
