# The tag language: tokeniser, tag reader and tag actions on any bytes.
opal_fuzz(tag_parser_fuzz tag_parser_fuzz.cpp opal_text opal_common)
# Glyph streams and the word's settings stream.
opal_fuzz(glyph_stream_fuzz glyph_stream_fuzz.cpp opal_text opal_platform_fonts opal_common)
