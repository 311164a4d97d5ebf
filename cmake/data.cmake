# manufacturers.dat: the table of manufacturer names by BSSID prefix, made at build
# time from the IEEE OUI list (Debian's ieee-data package) and placed beside the
# program. One line per prefix, in the list's order: six lower-case hexadecimal
# digits, a space and the organisation's name in Windows-1252, cut to 15 characters;
# CR LF line ends.
#
# Included from CMakeLists.txt it adds the build step; run as a script
# (cmake -DOUI=... -DOUT=... -P data.cmake) it writes the file.

if(NOT CMAKE_SCRIPT_MODE_FILE)
    set(NEARBEAM_OUI_FILE /usr/share/ieee-data/oui.txt CACHE FILEPATH
        "The IEEE OUI list manufacturers.dat is made from")
    set(manufacturers_dat ${CMAKE_BINARY_DIR}/manufacturers.dat)
    if(EXISTS ${NEARBEAM_OUI_FILE})
        add_custom_command(
            OUTPUT ${manufacturers_dat}
            COMMAND ${CMAKE_COMMAND} -DOUI=${NEARBEAM_OUI_FILE} -DOUT=${manufacturers_dat}
                    -P ${CMAKE_CURRENT_LIST_FILE}
            DEPENDS ${NEARBEAM_OUI_FILE} ${CMAKE_CURRENT_LIST_FILE}
            COMMENT "Making manufacturers.dat from ${NEARBEAM_OUI_FILE}"
            VERBATIM)
        add_custom_target(manufacturers_dat ALL DEPENDS ${manufacturers_dat})
    else()
        message(WARNING "${NEARBEAM_OUI_FILE} not found (package ieee-data): "
                        "manufacturers.dat is not made")
    endif()
    return()
endif()

# ---- script mode: OUI -> OUT ----

# One code point as Windows-1252 bytes, or "" to drop it.
function(cp1252_of code out)
    if(code LESS 128)
        string(ASCII ${code} c)
    elseif(code EQUAL 160) # no-break space
        set(c " ")
    elseif(code GREATER 160 AND code LESS 256)
        string(ASCII ${code} c)
    elseif((code GREATER_EQUAL 768 AND code LESS 880) OR (code GREATER_EQUAL 8203 AND code LESS 8208)
           OR code EQUAL 65279)
        set(c "") # combining marks, zero-width spaces and joiners
    elseif(code GREATER_EQUAL 65281 AND code LESS_EQUAL 65374) # full-width ASCII forms
        math(EXPR a "${code} - 65248")
        string(ASCII ${a} c)
    elseif(code EQUAL 12288 OR (code GREATER_EQUAL 8192 AND code LESS_EQUAL 8202)) # wide spaces
        set(c " ")
    else()
        # Windows-1252's own characters in 0x80-0x9F, and a few Latin letters it lacks.
        set(map 8364:128 8218:130 402:131 8222:132 8230:133 8224:134 8225:135 710:136
                8240:137 352:138 8249:139 338:140 381:142 8216:145 8217:146 8220:147
                8221:148 8226:149 8211:150 8212:151 732:152 8482:153 353:154 8250:155
                339:156 382:158 376:159)
        set(latin 304:73 305:105 350:83 351:115 286:71 287:103 321:76 322:108 268:67 269:99
                  262:67 263:99 344:82 345:114 282:69 283:101 323:78 324:110 346:83 347:115
                  377:90 378:122 379:90 380:122 336:79 337:111 368:85 369:117 354:84 355:116
                  536:83 537:115 538:84 539:116 260:65 261:97 280:69 281:101 270:68 271:100)
        set(c "?")
        foreach(pair IN LISTS map latin)
            string(REPLACE ":" ";" kv "${pair}")
            list(GET kv 0 k)
            if(k EQUAL code)
                list(GET kv 1 v)
                string(ASCII ${v} c)
                break()
            endif()
        endforeach()
    endif()
    set(${out} "${c}" PARENT_SCOPE)
endfunction()

# A UTF-8 text as Windows-1252; a byte that is not valid UTF-8 is taken as it is.
function(to_cp1252 text out)
    string(HEX "${text}" hex)
    string(LENGTH "${hex}" n)
    set(result "")
    set(i 0)
    while(i LESS n)
        string(SUBSTRING "${hex}" ${i} 2 b)
        math(EXPR b0 "0x${b}")
        set(extra 0)
        if(b0 GREATER_EQUAL 240)
            set(extra 3)
            math(EXPR code "${b0} & 7")
        elseif(b0 GREATER_EQUAL 224)
            set(extra 2)
            math(EXPR code "${b0} & 15")
        elseif(b0 GREATER_EQUAL 192)
            set(extra 1)
            math(EXPR code "${b0} & 31")
        else()
            set(code ${b0})
        endif()
        math(EXPR end "${i} + 2 + 2 * ${extra}")
        set(valid TRUE)
        if(end GREATER n)
            set(valid FALSE)
        else()
            math(EXPR j "${i} + 2")
            while(j LESS end)
                string(SUBSTRING "${hex}" ${j} 2 cb)
                math(EXPR cv "0x${cb}")
                if(cv LESS 128 OR cv GREATER_EQUAL 192)
                    set(valid FALSE)
                    break()
                endif()
                math(EXPR code "(${code} << 6) | (${cv} & 63)")
                math(EXPR j "${j} + 2")
            endwhile()
        endif()
        if(NOT valid)
            set(code ${b0})
            math(EXPR end "${i} + 2")
        endif()
        cp1252_of(${code} c)
        string(APPEND result "${c}")
        set(i ${end})
    endwhile()
    set(${out} "${result}" PARENT_SCOPE)
endfunction()

if(NOT DEFINED OUI OR NOT DEFINED OUT)
    message(FATAL_ERROR "usage: cmake -DOUI=oui.txt -DOUT=manufacturers.dat -P data.cmake")
endif()
file(READ "${OUI}" text)
# CMake lists split on ";": keep the organisations' semicolons out of the way.
string(ASCII 1 semicolon)
string(REPLACE ";" "${semicolon}" text "${text}")
string(REGEX MATCHALL "[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][ \t]+\\(base 16\\)[^\r\n]*"
       lines "${text}")
set(body "")
set(count 0)
foreach(line IN LISTS lines)
    string(SUBSTRING "${line}" 0 6 prefix)
    string(TOLOWER "${prefix}" prefix)
    string(REGEX REPLACE "^[^)]*\\)" "" name "${line}")
    if(NOT name MATCHES "^[\t -~${semicolon}]*$")
        to_cp1252("${name}" name)
    endif()
    string(STRIP "${name}" name)
    string(SUBSTRING "${name}" 0 15 name)
    string(STRIP "${name}" name)
    string(APPEND body "${prefix} ${name}\r\n")
    math(EXPR count "${count} + 1")
endforeach()
string(REPLACE "${semicolon}" ";" body "${body}")
if(count EQUAL 0)
    message(FATAL_ERROR "${OUI}: no \"(base 16)\" lines")
endif()
file(WRITE "${OUT}.tmp" "${body}")
file(RENAME "${OUT}.tmp" "${OUT}")
