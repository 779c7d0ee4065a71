# SPDX-License-Identifier: ISC
# Writes the Debian changelog from CHANGELOG.md: a Debian entry for each
# released version, newest first, its kinds of change (Added, Fixed...) as
# bullets and each change a dash under its kind, wrapped to 80 columns,
# signed by the publisher on the version's date.

# Appends to the variable named out the words of words_text, wrapped to lines of
# 80 columns at most that begin with first, then with more.
function(wrap_words out words_text first more)
  string(REPLACE ";" "\\;" words_text "${words_text}")
  string(REGEX REPLACE " +" ";" words "${words_text}")
  set(line "${first}")
  set(wrapped "${${out}}")
  set(empty TRUE)
  foreach(word IN LISTS words)
    string(LENGTH "${line} ${word}" length)
    if(NOT empty AND length GREATER 80)
      string(APPEND wrapped "${line}\n")
      set(line "${more}${word}")
    elseif(empty)
      string(APPEND line "${word}")
    else()
      string(APPEND line " ${word}")
    endif()
    set(empty FALSE)
  endforeach()
  string(APPEND wrapped "${line}\n")
  set(${out} "${wrapped}" PARENT_SCOPE)
endfunction()

# Appends the closing line of a Debian entry, dated date, to out.
function(sign_entry out date signer)
  execute_process(COMMAND date -u -R -d "${date} 00:00"
    OUTPUT_VARIABLE when OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  set(${out} "${${out}}\n -- ${signer}  ${when}\n" PARENT_SCOPE)
endfunction()

# Writes to file the Debian changelog of package made from markdown, signed
# by signer.
function(debian_changelog markdown file package signer)
  file(STRINGS ${markdown} lines ENCODING UTF-8)
  set(text)
  set(date)
  foreach(line IN LISTS lines)
    if(line MATCHES "^## \\[([0-9.]+)\\] - ([0-9-]+)$")
      if(date)
        sign_entry(text ${date} "${signer}")
        string(APPEND text "\n")
      endif()
      set(date ${CMAKE_MATCH_2})
      string(APPEND text
        "${package} (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
    elseif(line MATCHES "^## ")
      set(date)
    elseif(date AND line MATCHES "^### (.+)$")
      string(APPEND text "  * ${CMAKE_MATCH_1}:\n")
    elseif(date AND line MATCHES "^- (.+)$")
      wrap_words(text "${CMAKE_MATCH_1}" "    - " "      ")
    endif()
  endforeach()
  if(date)
    sign_entry(text ${date} "${signer}")
  endif()
  file(WRITE ${file} "${text}")
endfunction()
