# The text engine: parsing and layout, rendering a page against FreeType
# rendering the same glyphs, and a page of more distinct kanji than the
# glyph cache holds.
find_package(Freetype QUIET)
if(FREETYPE_FOUND)
  opal_bench(text_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/text_bench.cpp
             LIBS opal_text opal_platform_fonts opal_raster opal_common Freetype::Freetype)
else()
  message(STATUS "FreeType not found: text_bench is not built")
endif()
