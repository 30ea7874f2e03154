# Archive reading: a large directory, name lookups, inflating a large entry.
opal_bench(archive_bench SOURCES archive_bench.cpp LIBS opal_storage opal_common ZLIB::ZLIB)
