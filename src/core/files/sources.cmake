# File types, loaders and packers of the file-service page.
target_sources(velmorix_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dnc_lines.cpp ${CMAKE_CURRENT_LIST_DIR}/dnc_lines.h
  ${CMAKE_CURRENT_LIST_DIR}/file_date.cpp ${CMAKE_CURRENT_LIST_DIR}/file_date.h
  ${CMAKE_CURRENT_LIST_DIR}/file_types.cpp ${CMAKE_CURRENT_LIST_DIR}/file_types.h
  ${CMAKE_CURRENT_LIST_DIR}/hex_image.cpp ${CMAKE_CURRENT_LIST_DIR}/hex_image.h
  ${CMAKE_CURRENT_LIST_DIR}/read_file.cpp ${CMAKE_CURRENT_LIST_DIR}/read_file.h
  ${CMAKE_CURRENT_LIST_DIR}/text_loader.cpp ${CMAKE_CURRENT_LIST_DIR}/text_loader.h
)
