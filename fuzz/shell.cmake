# The player's settings file.
opal_fuzz(game_ini_fuzz game_ini_fuzz.cpp opal_shell)
