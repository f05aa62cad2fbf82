orv_add_test(test_component
  ${CMAKE_CURRENT_LIST_DIR}/SettingsFileStoreTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SenderSettingsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMailTest.cpp
  LIBS velmora_component Qt6::Sql)

# A host project outside this tree, built against the installed package.
add_test(NAME test_installed_package
  COMMAND ${CMAKE_COMMAND}
    -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DBUILD_DIR=${PROJECT_BINARY_DIR}
    -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/installed-package
    -P ${CMAKE_CURRENT_LIST_DIR}/host/CheckInstalledPackage.cmake)
set_tests_properties(test_installed_package PROPERTIES TIMEOUT 600
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
