# The maker's lines of text: the support address in the user database
# messages (worker and installer), the web line and the rights notice of the
# licence dialog, the edition and the version (the licence dialog's caption
# and product line, the installer's first and last messages, the worker's
# records). Each value is written to a file of its own, rewritten only
# when it changes; the build checks them and writes maker_lines.h, which
# defines each as a string literal for the code and the installer's resource
# script. A bad value stops the build before anything is compiled.
set(KELVANE_SUPPORT_EMAIL "support@kelvane.example" CACHE STRING "Support e-mail address in the user database messages")
set(KELVANE_WEB_LINE "Web: www.kelvane.example" CACHE STRING "Web line of the licence dialog (at most 30 characters)")
set(KELVANE_RIGHTS_NOTICE "Copyright (c) 1999 Kelvane Software" CACHE STRING
    "Rights notice of the licence dialog (at most 45 characters)")
set(KELVANE_EDITION "Amber" CACHE STRING "Edition of the product, shown in the licence dialog and the messages")
set(KELVANE_VERSION "3.5.02" CACHE STRING "Version of the product (two or three numbers between dots)")

set(KELVANE_MAKER_LINES_DIR ${CMAKE_BINARY_DIR}/maker_lines)
set(maker_line_files)
foreach(variable KELVANE_SUPPORT_EMAIL KELVANE_WEB_LINE KELVANE_RIGHTS_NOTICE KELVANE_EDITION KELVANE_VERSION)
    set(file ${KELVANE_MAKER_LINES_DIR}/${variable}.txt)
    set(value "${${variable}}")
    set(old "")
    if(EXISTS ${file})
        file(READ ${file} old)
    endif()
    if(NOT EXISTS ${file} OR NOT old STREQUAL value)
        file(WRITE ${file} "${value}")
    endif()
    list(APPEND maker_line_files ${file})
endforeach()

set(checker ${CMAKE_SOURCE_DIR}/tools/release/check_lines.py)
set(KELVANE_MAKER_LINES_HEADER ${KELVANE_MAKER_LINES_DIR}/include/maker_lines.h)
add_custom_command(OUTPUT ${KELVANE_MAKER_LINES_HEADER}
    COMMAND ${Python3_EXECUTABLE} ${checker} --from ${KELVANE_MAKER_LINES_DIR} --header ${KELVANE_MAKER_LINES_HEADER}
    DEPENDS ${maker_line_files} ${checker}
    COMMENT "Checking the maker's lines"
    VERBATIM)
add_custom_target(maker_lines DEPENDS ${KELVANE_MAKER_LINES_HEADER})
