orv_add_test(editor_gradient_test ${CMAKE_CURRENT_LIST_DIR}/GradientPainterTest.cpp LIBS velmora_editor)
orv_add_test(editor_properties_test ${CMAKE_CURRENT_LIST_DIR}/OrvRtfCtl32PropertiesTest.cpp LIBS velmora_editor)
orv_add_test(editor_commands_test ${CMAKE_CURRENT_LIST_DIR}/EditorCommandsTest.cpp LIBS velmora_editor)
