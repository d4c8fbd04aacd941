# Serial transport and exchange protocol engine.
target_sources(rt519core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SerialTypes.h ${CMAKE_CURRENT_LIST_DIR}/SerialTypes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeviceTimer.h ${CMAKE_CURRENT_LIST_DIR}/DeviceTimer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialLine.h
  ${CMAKE_CURRENT_LIST_DIR}/QtSerialLine.h ${CMAKE_CURRENT_LIST_DIR}/QtSerialLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ExchangeTrace.h ${CMAKE_CURRENT_LIST_DIR}/ExchangeTrace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LineFrames.h ${CMAKE_CURRENT_LIST_DIR}/LineFrames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AsynCom.h ${CMAKE_CURRENT_LIST_DIR}/AsynCom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AsynComAscii.h ${CMAKE_CURRENT_LIST_DIR}/AsynComAscii.cpp)
