# Every text of the program has a finished English translation and the .ts keeps none that is
# gone: lupdate run on a copy of the .ts must leave no entry unfinished, vanished or obsolete.
#   cmake -DLUPDATE=<lupdate> -DTS=<.ts> -DSRC=<src folder> -DWORK=<scratch folder> -P <this>
file(GLOB_RECURSE sources ${SRC}/*.cpp ${SRC}/*.h)
get_filename_component(name ${TS} NAME)
set(copy ${WORK}/${name})
file(COPY_FILE ${TS} ${copy})
execute_process(
    COMMAND ${LUPDATE} -locations none -source-language zh_CN -target-language en ${sources}
            -ts ${copy}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed:\n${output}")
endif()
file(READ ${copy} ts)
string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"[a-z]+\"" open "${ts}")
string(FIND "${ts}" "type=\"" anyType)
if(open OR NOT anyType EQUAL -1)
    list(JOIN open "\n" open)
    message(FATAL_ERROR "${TS} is not up to date with the sources (update it with "
                        "`cmake --build build --target update_translations` and translate):\n"
                        "${open}")
endif()
message(STATUS "${output}")
