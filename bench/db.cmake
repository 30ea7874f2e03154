# Tables: locating and sorting over 10,000 records beside SQLite in memory
# doing the same with the same rows. Built only when SQLite is found.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(SQLITE3 QUIET IMPORTED_TARGET sqlite3)
endif()
if(SQLITE3_FOUND)
  opal_bench(db_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/db_bench.cpp LIBS opal_db PkgConfig::SQLITE3)
else()
  message(STATUS "sqlite3 not found: db_bench is not built")
endif()
