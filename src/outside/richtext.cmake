# The RTF codec needs only QtGui's text document, so the merge and the send run
# can convert without widgets; the box itself adds the widget and the clipboard.
orv_add_area(velmora_rtf
  ${CMAKE_CURRENT_LIST_DIR}/RtfTokenizer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfCodePages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfControlWords.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfQtFormats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfDocumentBuilder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfHtmlBuilder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfToHtml.cpp)
target_link_libraries(velmora_rtf PUBLIC Qt6::Core Qt6::Gui)

orv_add_area(velmora_richtext
  ${CMAKE_CURRENT_LIST_DIR}/RichTextBox.cpp)
target_link_libraries(velmora_richtext PUBLIC velmora_rtf velmora_platform Qt6::Widgets)
