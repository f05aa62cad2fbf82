# The warnings and Qt switches our own code builds with, in the main build and in
# the sanitizer and fuzzing build (fuzz/). Under CI=true warnings are errors, so
# nothing new slips in; a local build only shows them. Qt, GoogleTest and GMime
# come in as system headers and stay quiet.
add_compile_options(-Wall -Wextra -Wshadow -Wconversion)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # Clang's -Wconversion also counts every signed/unsigned mix, which GCC's
  # leaves to -Wsign-conversion; both builds are to report the same.
  add_compile_options(-Wno-sign-conversion)
endif()
if("$ENV{CI}" STREQUAL "true")
  set(CMAKE_COMPILE_WARNING_AS_ERROR ON)
endif()

# A QString made from a char * or a char names the bytes' encoding
# (QStringLiteral, u""_s, QLatin1String, QString::fromUtf8), and no QString
# turns back into a char * unnoticed.
add_compile_definitions(QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)
