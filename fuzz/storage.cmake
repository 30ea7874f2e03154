# Readers of archive data: the directory alone, and whole archives with
# every entry loaded.
opal_fuzz(archive_directory_fuzz archive_directory_fuzz.cpp opal_storage opal_common)
opal_fuzz(archive_entry_fuzz archive_entry_fuzz.cpp opal_storage opal_common)
