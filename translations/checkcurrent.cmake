# Fails when translations/cvu.ts no longer lists exactly the texts the code and the forms show:
# lupdate is run on a copy and the copy must come out unchanged.
# Called with -DLUPDATE=... -DSOURCE_DIR=... -DTEXT_SOURCES=... (the folders and files lupdate
# reads, as cvu_lupdate does) -DTEMPLATE=... -DWORK_COPY=...
file(COPY_FILE ${TEMPLATE} ${WORK_COPY})
execute_process(
    COMMAND ${LUPDATE} -silent -locations none -no-obsolete ${TEXT_SOURCES} -ts ${WORK_COPY}
    WORKING_DIRECTORY ${SOURCE_DIR}
    RESULT_VARIABLE lupdate_result)
if(NOT lupdate_result EQUAL 0)
    message(FATAL_ERROR "lupdate failed: ${lupdate_result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${TEMPLATE} ${WORK_COPY}
    RESULT_VARIABLE differs)
if(differs)
    message(FATAL_ERROR "translations/cvu.ts is out of date with the texts in the code: run "
        "'cmake --build build --target cvu_lupdate' and commit translations/")
endif()
