orv_add_test(RtfCodecTest
  ${CMAKE_CURRENT_LIST_DIR}/RtfReaderTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfHostileTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfWriterTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfToHtmlTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfTestSupport.cpp
  ${PROJECT_SOURCE_DIR}/fuzz/RtfHostileCorpus.cpp
  LIBS velmora_rtf)
target_include_directories(RtfCodecTest PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/fuzz)

orv_add_test(RichTextBoxTest ${CMAKE_CURRENT_LIST_DIR}/RichTextBoxTest.cpp LIBS velmora_richtext)
