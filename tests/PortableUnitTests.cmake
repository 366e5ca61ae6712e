# The unit tests that run wherever the engine runs: on Linux, and cross-built
# for Windows under Wine. Paths are relative to this folder.
set(SENTREL_PORTABLE_UNIT_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/unit/ServiceClientTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/SampleAreaTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/NumericTextTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/AlertDispatcherTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/Form1Test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/FormChangesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/MonitorChoiceTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/Utf8PathTest.cpp
)
# The service's own, where the service runs: the same list for both.
set(SENTREL_PORTABLE_SERVICE_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/unit/AlertDeskTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/CodePageTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/ConnectionLimitsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/ServiceStoreTest.cpp
)
