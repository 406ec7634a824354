# Run by ctest after the test programs' cases are listed: gives every case
# its label. A core program's cases are "unit" and a Qt program's "gui",
# unless a rule below names them. A rule is a program, a regular expression
# on "Suite.Case" and the labels it gives (comma between two); the last
# matching rule wins.
#   unit     no process of ours, no X server (a test may fork itself)
#   gui      Qt on the offscreen platform
#   process  starts rt604, rt604ctl or outside tools
#   desktop  an X server of its own (Xvfb, with openbox or trayer) or D-Bus
set(rt604_label_rules
  test_app      "."                                        process
  test_app      "^InstanceHandOverTest\\."                 unit
  test_app      "DesktopProcessTest\\."                    desktop
  test_ctl      "."                                        process
  test_ui_gui   "X11"                                      desktop
  test_ui_gui   "^MainWindowTest\\.AProfileChosenElsewhere" gui,process
  test_ui_gui   "^MainWindowFollowTest\\."                 gui,process
  test_assign_gui "X11"                                    desktop
)

foreach(program IN LISTS rt604_test_programs)
  if(program MATCHES "_gui$")
    set(default_label gui)
  else()
    set(default_label unit)
  endif()
  foreach(test IN LISTS ${program}_TESTS)
    set(labels ${default_label})
    set(rules ${rt604_label_rules})
    while(rules)
      list(POP_FRONT rules rule_program rule_pattern rule_labels)
      if(rule_program STREQUAL program AND test MATCHES "${rule_pattern}")
        string(REPLACE "," ";" labels "${rule_labels}")
      endif()
    endwhile()
    set_tests_properties("${test}" PROPERTIES LABELS "${labels}")
  endforeach()
endforeach()
