# Fails when a source file includes a header of a layer above its own, or of a layer beside
# it that it must not know. Run as: cmake -DSOURCE_DIR=<repository> -P CheckLayers.cmake
#
# The layers, lowest first; each folder may include the folders listed for it and nothing
# else of the project's own:
cmake_minimum_required(VERSION 3.25)
set(allowed_base base)
set(allowed_platform base platform)
set(allowed_host base host)
set(allowed_wire base platform wire)
set(core_below base platform host wire)
set(allowed_common ${core_below} common)
set(allowed_web ${core_below} common web)
set(allowed_tabs ${core_below} common web tabs)
set(allowed_irc ${core_below} common web irc)
set(allowed_plugin ${core_below} common web tabs irc plugin)
set(allowed_sim base platform host sim)
# src/com: the support library knows neither side of the boundary, and the simulated host and
# the plug-in's adapter (with the DLL's server) never know each other.
set(allowed_com base platform host com)
set(allowed_com/plugin ${core_below} common web tabs irc plugin com com/plugin com/server)
set(allowed_com/server ${allowed_com/plugin})
set(allowed_com/simhost base platform host sim com com/simhost)
# The service's folders, lowest first; "service" alone is the service itself (its root
# folder), which may use every part. http knows nothing of the rest.
set(service_below base platform wire)
set(allowed_service/http base platform service/http)
set(allowed_service/store ${service_below} service/store)
set(allowed_service/members ${service_below} service/store service/members)
set(allowed_service/scripts ${service_below} service/store service/members service/scripts)
set(allowed_service/page ${service_below} service/http service/store service/members service/page)
set(allowed_service/admin ${service_below} service/http service/store service/scripts service/page
  service/admin)
set(allowed_service ${service_below} service/http service/store service/members service/scripts
  service/page service/admin service)
# The page reads only through the store's queries, never a connection of its own.
set(denied_service/page service/store/SqliteConnection.h service/store/Database.h
  service/store/DatabaseWriter.h service/store/Schema.h)
# The workbench: the plug-in on the simulated host (or through COM), and the demo service,
# which seeds the store and serves through the service's own HTTP layer and page.
set(allowed_app base platform host wire common web plugin sim com com/simhost service
  service/store service/http service/page app)
set(project_folders base platform host wire common web tabs irc plugin sim com service app)
set(service_folders http store members scripts page admin)
set(layers base platform host wire common web tabs irc plugin sim com service app)
foreach(part ${service_folders})
  list(APPEND layers service/${part})
endforeach()
list(APPEND layers com/plugin com/server com/simhost)

# The layer a path inside the repository belongs to: "service/store" or "com/simhost" for the
# folders that are layers of their own, the first folder otherwise.
function(layer_of path result)
  string(REGEX MATCH "^(service|com)/([a-z]+)/" sub "${path}")
  if(sub AND "${CMAKE_MATCH_1}/${CMAKE_MATCH_2}" IN_LIST layers)
    set(${result} ${CMAKE_MATCH_1}/${CMAKE_MATCH_2} PARENT_SCOPE)
  else()
    string(REGEX MATCH "^[a-z]+" first "${path}")
    set(${result} ${first} PARENT_SCOPE)
  endif()
endfunction()

set(violations "")
foreach(layer ${layers})
  if(layer STREQUAL "service")
    file(GLOB files ${SOURCE_DIR}/service/*.h ${SOURCE_DIR}/service/*.cpp)
  elseif(layer STREQUAL "com")
    # Its sub-folders are layers of their own.
    file(GLOB files ${SOURCE_DIR}/src/com/*.h ${SOURCE_DIR}/src/com/*.cpp)
  elseif(layer MATCHES "^(service|app)")
    file(GLOB_RECURSE files ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  else()
    file(GLOB_RECURSE files ${SOURCE_DIR}/src/${layer}/*.h ${SOURCE_DIR}/src/${layer}/*.cpp)
  endif()
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z]+/")
    get_filename_component(own_name ${file} NAME_WE)
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]*)\".*" "\\1" included "${line}")
      string(REGEX REPLACE "^([a-z]+)/.*" "\\1" top "${included}")
      if(NOT top IN_LIST project_folders)
        continue()
      endif()
      layer_of("${included}" folder)
      string(REGEX REPLACE "^[a-z]+/" "" header "${included}")
      file(RELATIVE_PATH where ${SOURCE_DIR} ${file})
      if(NOT folder IN_LIST allowed_${layer})
        string(APPEND violations "\n  ${where}: ${layer} must not include ${included}")
      elseif(included IN_LIST denied_${layer})
        string(APPEND violations "\n  ${where}: ${layer} must not include ${included}")
      elseif(layer STREQUAL "tabs" AND folder STREQUAL "tabs" AND header MATCHES "^Tab")
        # Tabs never include each other; what they share lives in its own module.
        get_filename_component(header_name ${header} NAME_WE)
        if(NOT header_name STREQUAL own_name)
          string(APPEND violations "\n  ${where}: a tab must not include another tab (${folder}/${header})")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that run against the layers:${violations}")
endif()
