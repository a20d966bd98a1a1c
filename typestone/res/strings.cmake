# The server's string tables, compiled into typestone_core.
typestone_string_table(typestone_core typestone_strings
  EN ${CMAKE_CURRENT_LIST_DIR}/strings.en.txt
  ES ${CMAKE_CURRENT_LIST_DIR}/strings.es.txt)
