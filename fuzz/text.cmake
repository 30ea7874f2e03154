# The tag language: tokeniser, tag reader and tag actions on any bytes.
opal_fuzz(tag_parser_fuzz tag_parser_fuzz.cpp opal_text opal_common)
