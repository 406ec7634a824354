# Subsystem folders whose top level is plain C++ (the core library). Qt code
# of a subsystem lives in its gui/ subfolder; src/ui, src/widgets and
# src/update are Qt through and through.
set(RT604_CORE_SUBSYSTEMS app device keys config assign macro lighting skin platform)
set(RT604_GUI_SUBSYSTEMS ui widgets update)

function(rt604_collect out)
  set(files "")
  foreach(pattern IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${pattern})
    list(APPEND files ${found})
  endforeach()
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()
