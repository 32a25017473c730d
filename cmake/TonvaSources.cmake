# Source lists are gathered per folder so that adding a unit means adding its files only.

# Every .cpp below `dir`, excluding `ui/` folders and any `main.cpp`.
function(tonva_core_sources out dir)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  list(FILTER found EXCLUDE REGEX "/ui/")
  list(FILTER found EXCLUDE REGEX "/main\\.cpp$")
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Every .cpp inside a `ui/` folder below `dir`, excluding any `main.cpp` (the desktop program's).
function(tonva_widget_sources out dir)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS "${dir}/*/ui/*.cpp" "${dir}/*/ui/*.h")
  list(FILTER found EXCLUDE REGEX "/main\\.cpp$")
  set(${out} ${found} PARENT_SCOPE)
endfunction()
