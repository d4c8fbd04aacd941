# Intake of a read into the exchange buffer (writes through the data module's views).
target_sources(rt519core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/BufferIntake.h
  ${CMAKE_CURRENT_LIST_DIR}/BufferIntake.cpp
)
