opal_fuzz(expr_records ${CMAKE_CURRENT_SOURCE_DIR}/expr_records.cpp opal_expr)
opal_fuzz(expr_compiler ${CMAKE_CURRENT_SOURCE_DIR}/expr_compiler.cpp opal_expr)
opal_fuzz(expr_varblocks ${CMAKE_CURRENT_SOURCE_DIR}/expr_varblocks.cpp opal_expr)
