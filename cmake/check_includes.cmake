# Fails when a source of FOLDER includes a header of a source folder that is
# not in ALLOWED (its own and the folders below it). Run by the build for
# each library, so an upward include stops the build with a clear message.
# Arguments (lists separated by "|"): FOLDER, ALLOWED, KNOWN, SOURCES, STAMP.
string(REPLACE "|" ";" allowed "${ALLOWED}")
string(REPLACE "|" ";" known "${KNOWN}")
string(REPLACE "|" ";" sources "${SOURCES}")
set(errors "")
foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
    foreach(line ${includes})
        string(REGEX MATCH "\"([a-z_]+)/[^\"]*\"" header "${line}")
        set(folder "${CMAKE_MATCH_1}")
        list(FIND known "${folder}" isSource)
        list(FIND allowed "${folder}" isAllowed)
        if(isSource GREATER -1 AND isAllowed EQUAL -1)
            string(APPEND errors "\n  ${source}: ${header}")
        endif()
    endforeach()
endforeach()
if(errors)
    list(JOIN allowed ", " shown)
    message(FATAL_ERROR "${FOLDER}/ may include only ${shown}; these includes reach above it:"
                        "${errors}")
endif()
file(TOUCH "${STAMP}")
