# The data store: connection, schema, views, model adapter, rules, TDM.
# The schema text of data/schema.sql is built into the library.
set(RT519_SCHEMA_FILE ${PROJECT_SOURCE_DIR}/data/schema.sql)
file(READ ${RT519_SCHEMA_FILE} RT519_SCHEMA_TEXT)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${RT519_SCHEMA_FILE})
configure_file(${CMAKE_CURRENT_LIST_DIR}/SchemaText.cpp.in ${CMAKE_CURRENT_BINARY_DIR}/SchemaText.cpp @ONLY)

target_sources(rt519core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Command.h
  ${CMAKE_CURRENT_LIST_DIR}/Compaction.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Compaction.h
  ${CMAKE_CURRENT_LIST_DIR}/Connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Connection.h
  ${CMAKE_CURRENT_LIST_DIR}/DataView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataView.h
  ${CMAKE_CURRENT_LIST_DIR}/DataViewModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataViewModel.h
  ${CMAKE_CURRENT_LIST_DIR}/Schema.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Schema.h
  ${CMAKE_CURRENT_LIST_DIR}/StoredTime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StoredTime.h
  ${CMAKE_CURRENT_LIST_DIR}/TDM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TDM.h
  ${CMAKE_CURRENT_LIST_DIR}/UTools.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UTools.h
  ${CMAKE_CURRENT_BINARY_DIR}/SchemaText.cpp
)
target_link_libraries(rt519core PUBLIC sqlite3)
