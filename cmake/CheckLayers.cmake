# Checks that the layers hold, run as a test: cmake -DSOURCE_DIR=<checkout> -P CheckLayers.cmake
#  - a folder includes only its own headers and those of folders in lower layers;
#  - some folders (only_includes_...) use only the lower folders named for them;
#  - no file of a core folder includes a Qt header.
# Every offending include is named; the check fails if there is any.

# Bottom up. Folders in one layer do not include each other.
set(core_layers base "commands settings editcore" document "tools internet wiper splitjoin")
set(widget_layers qtplatform editcontrol dialogs view app)

# Folders that may use only some of the folders below them. The edit control knows nothing of the
# application: no document, no settings, no commands.
set(only_includes_editcontrol base editcore qtplatform)

set(rank 0)
set(known_folders "")
foreach(layer IN LISTS core_layers widget_layers)
  string(REPLACE " " ";" folders "${layer}")
  foreach(folder IN LISTS folders)
    set(rank_of_${folder} ${rank})
    list(APPEND known_folders ${folder})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()
set(core_folders "")
foreach(layer IN LISTS core_layers)
  string(REPLACE " " ";" folders "${layer}")
  list(APPEND core_folders ${folders})
endforeach()

set(violations 0)
foreach(folder IN LISTS known_folders)
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${folder}")
    message(SEND_ERROR "layer folder ${folder}/ does not exist")
    math(EXPR violations "${violations} + 1")
    continue()
  endif()
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  list(FIND core_folders ${folder} core_index)
  foreach(source IN LISTS sources)
    file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
      if(core_index GREATER -1 AND header MATCHES "^Q[A-Za-z]*(/|$)")
        message(SEND_ERROR "${source} includes <${header}>: ${folder}/ is a core folder and must not use Qt")
        math(EXPR violations "${violations} + 1")
      endif()
      if(header MATCHES "^([A-Za-z0-9_]+)/")
        set(target_folder "${CMAKE_MATCH_1}")
        if(DEFINED rank_of_${target_folder} AND NOT target_folder STREQUAL folder
           AND NOT rank_of_${target_folder} LESS rank_of_${folder})
          message(SEND_ERROR "${source} includes \"${header}\": ${target_folder}/ is not below ${folder}/")
          math(EXPR violations "${violations} + 1")
        elseif(DEFINED only_includes_${folder} AND DEFINED rank_of_${target_folder}
               AND NOT target_folder STREQUAL folder)
          list(FIND only_includes_${folder} ${target_folder} allowed_index)
          if(allowed_index EQUAL -1)
            string(REPLACE ";" "/, " allowed "${only_includes_${folder}}/")
            message(SEND_ERROR "${source} includes \"${header}\": ${folder}/ uses only ${allowed}")
            math(EXPR violations "${violations} + 1")
          endif()
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

# Every folder with sources of the program must be placed in a layer.
file(GLOB top_entries RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
foreach(entry IN LISTS top_entries)
  if(IS_DIRECTORY "${SOURCE_DIR}/${entry}" AND NOT entry MATCHES "^(\\..*|build.*|tests|bench|cmake|docs|resources)$")
    file(GLOB_RECURSE stray "${SOURCE_DIR}/${entry}/*.cpp" "${SOURCE_DIR}/${entry}/*.h")
    if(stray AND NOT DEFINED rank_of_${entry})
      message(SEND_ERROR "${entry}/ holds sources but belongs to no layer (cmake/CheckLayers.cmake)")
      math(EXPR violations "${violations} + 1")
    endif()
  endif()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) break the layers")
endif()
message(STATUS "Layers hold")
