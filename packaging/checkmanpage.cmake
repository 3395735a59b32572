# Fails when a program's --help and the OPTIONS section of its manual page name different long
# options: an option added to the program without describing it in the page, or one the program
# no longer has but the page still describes.
# Called with -DPROGRAM=... -DPAGE=... (the page's source, packaging/man/<program>.1.in)
execute_process(COMMAND ${PROGRAM} --help
    OUTPUT_VARIABLE help
    RESULT_VARIABLE help_result)
if(NOT help_result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed: ${help_result}")
endif()
# Qt lists each option at the start of a line, two spaces in ("  -h, --help", "  --port <PATH>");
# the wrapped lines of a description are indented further, so they are never taken for options.
string(REGEX MATCHALL "\n  (-[A-Za-z0-9], )?--[A-Za-z0-9-]+" help_lines "${help}")
set(help_options)
foreach(line IN LISTS help_lines)
    string(REGEX MATCH "--[A-Za-z0-9-]+$" option "${line}")
    list(APPEND help_options ${option})
endforeach()
if(NOT help_options)
    message(FATAL_ERROR "no options found in the output of ${PROGRAM} --help:\n${help}")
endif()

# Only the OPTIONS section counts: elsewhere a page may show another program's options.
file(READ ${PAGE} page)
string(FIND "${page}" "\n.SH OPTIONS\n" section_start)
if(section_start EQUAL -1)
    message(FATAL_ERROR "${PAGE} has no OPTIONS section")
endif()
math(EXPR section_start "${section_start} + 13")
string(SUBSTRING "${page}" ${section_start} -1 section)
string(FIND "${section}" "\n.SH " section_end)
string(SUBSTRING "${section}" 0 ${section_end} section)
# In roff every hyphen of an option is escaped: \-\-low\-samples.
string(REGEX MATCHALL "\\\\-\\\\-[A-Za-z0-9]([A-Za-z0-9]|\\\\-)*" page_mentions "${section}")
set(page_options)
foreach(mention IN LISTS page_mentions)
    string(REPLACE "\\-" "-" option "${mention}")
    list(APPEND page_options ${option})
endforeach()

set(undescribed)
foreach(option IN LISTS help_options)
    list(FIND page_options ${option} index)
    if(index EQUAL -1)
        list(APPEND undescribed ${option})
    endif()
endforeach()
set(gone)
foreach(option IN LISTS page_options)
    list(FIND help_options ${option} index)
    list(FIND gone ${option} named)
    if(index EQUAL -1 AND named EQUAL -1)
        list(APPEND gone ${option})
    endif()
endforeach()
if(undescribed OR gone)
    list(JOIN undescribed " " undescribed)
    list(JOIN gone " " gone)
    message(FATAL_ERROR "${PAGE} is out of date with ${PROGRAM} --help\n"
        "  options --help lists but the page's OPTIONS section does not: ${undescribed}\n"
        "  options the page's OPTIONS section names but --help does not list: ${gone}\n"
        "Describe each option under OPTIONS, its hyphens written \\-")
endif()
