# The exchange progress window and the port dialog.
target_sources(rt519ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/UFrame.h ${CMAKE_CURRENT_LIST_DIR}/UFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UCom.h ${CMAKE_CURRENT_LIST_DIR}/UCom.cpp
)
