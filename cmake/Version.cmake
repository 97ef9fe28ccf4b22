# The suite's version resource and package identity. The one version number is
# the project's (project(... VERSION) in the top-level CMakeLists.txt); every
# program, both builds, the portable zip and the installer take it from there.
#
#   suite_version_resource(target NAME)
#     adds a VERSIONINFO resource (Chinese string block 080404b0) to `target`,
#     whose file is NAME.exe; its FileDescription comes from the table below.

set(SUITE_PRODUCT_ID ${PROJECT_NAME})            # package and folder names
set(SUITE_VERSION ${PROJECT_VERSION})
set(SUITE_COMPANY "Quillon")
set(SUITE_PRODUCT_NAME "Quillon 系统清理套件")
string(TIMESTAMP SUITE_YEAR "%Y" UTC)
set(SUITE_COPYRIGHT "版权所有 (C) ${SUITE_YEAR} Quillon")

# One line per shipped program: what the Explorer's properties page and the
# installer's shortcuts call it.
set(SUITE_DESCRIPTION_Brisko    "一键清理控制台")
set(SUITE_DESCRIPTION_Dustrel   "系统垃圾与隐私痕迹清理")
set(SUITE_DESCRIPTION_Hivemend  "注册表错误扫描与修复")
set(SUITE_DESCRIPTION_Snipwell  "失效快捷方式清理")
set(SUITE_DESCRIPTION_Marksift  "失效收藏夹检查")
set(SUITE_DESCRIPTION_Patchmoor "补丁备份文件清理")
set(SUITE_DESCRIPTION_PluginLock "清理插件定义加密工具")

# FILEVERSION wants four numbers (missing parts are 0).
set(quad)
foreach(part MAJOR MINOR PATCH TWEAK)
  set(number "${PROJECT_VERSION_${part}}")
  if(number STREQUAL "")
    set(number 0)
  endif()
  list(APPEND quad ${number})
endforeach()
string(JOIN "," SUITE_VERSION_QUAD ${quad})
string(REPLACE "," "." SUITE_VERSION_DOTTED ${SUITE_VERSION_QUAD})

set(SUITE_VERSION_RC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

function(suite_version_resource target name)
  set(SUITE_FILE_NAME ${name})
  if(DEFINED SUITE_DESCRIPTION_${name})
    set(SUITE_FILE_DESCRIPTION "${SUITE_DESCRIPTION_${name}}")
  else()
    set(SUITE_FILE_DESCRIPTION "${SUITE_PRODUCT_NAME} ${name}")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}_version.rc)
  configure_file(${SUITE_VERSION_RC_TEMPLATE} ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# What the packaging script and the installer read (build/package.env,
# build/version.nsh): the same texts, so the packages carry this version.
set(SUITE_PACKAGE_PROGRAMS Brisko Dustrel Hivemend Snipwell Marksift Patchmoor)
set(nsh "; Made by the build (cmake/Version.cmake); do not edit.\n")
string(APPEND nsh "!define SUITE_PRODUCT_ID \"${SUITE_PRODUCT_ID}\"\n")
string(APPEND nsh "!define SUITE_VERSION \"${SUITE_VERSION}\"\n")
string(APPEND nsh "!define SUITE_VERSION_DOTTED \"${SUITE_VERSION_DOTTED}\"\n")
string(APPEND nsh "!define SUITE_COMPANY \"${SUITE_COMPANY}\"\n")
string(APPEND nsh "!define SUITE_PRODUCT_NAME \"${SUITE_PRODUCT_NAME}\"\n")
string(APPEND nsh "!define SUITE_COPYRIGHT \"${SUITE_COPYRIGHT}\"\n")
foreach(p ${SUITE_PACKAGE_PROGRAMS})
  string(APPEND nsh "!define SUITE_DESCRIPTION_${p} \"${SUITE_DESCRIPTION_${p}}\"\n")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/version.nsh.tmp "${nsh}")
configure_file(${CMAKE_BINARY_DIR}/version.nsh.tmp ${CMAKE_BINARY_DIR}/version.nsh COPYONLY)
file(WRITE ${CMAKE_BINARY_DIR}/package.env.tmp
  "SUITE_PRODUCT_ID='${SUITE_PRODUCT_ID}'\nSUITE_VERSION='${SUITE_VERSION}'\n")
configure_file(${CMAKE_BINARY_DIR}/package.env.tmp ${CMAKE_BINARY_DIR}/package.env COPYONLY)
