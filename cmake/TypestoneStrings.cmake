# Embedding of string tables (filled in with the string-table piece).
