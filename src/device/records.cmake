# Device record items, the record parser and the outgoing meter record.
target_sources(rt519core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DeviceItems.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordParser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OutgoingRecord.cpp
)
