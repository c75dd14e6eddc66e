# The hand-over from the desktop end to end: vantor-ftp-handoff and a second
# vantor-ftp reaching a running window (offscreen) that then works on a real server.
vantor_integration_test(handoff HandoffIntegrationTest.cpp WIDGETS LINKS vantor_ui_main)
add_dependencies(vantor_integration_handoff vantor-ftp vantor-ftp-handoff)
