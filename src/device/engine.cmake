# Serial transport and exchange protocol engine. The list is also published for the
# fuzz target, which compiles these files with its own instrumentation.
set(rt519_engine_sources
  SerialTypes.h SerialTypes.cpp
  DeviceTimer.h DeviceTimer.cpp
  SerialLine.h
  QtSerialLine.h QtSerialLine.cpp
  ExchangeTrace.h ExchangeTrace.cpp
  LineFrames.h LineFrames.cpp
  AsynCom.h AsynCom.cpp
  AsynComAscii.h AsynComAscii.cpp)
list(TRANSFORM rt519_engine_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
target_sources(rt519core PRIVATE ${rt519_engine_sources})
set_property(GLOBAL PROPERTY RT519_ENGINE_SOURCES ${rt519_engine_sources})
