# The main window against the real servers, offscreen.
vantor_integration_test(window WindowIntegrationTest.cpp WIDGETS LINKS vantor_ui_main)
target_sources(vantor_integration_window PRIVATE WindowRemoteEditIntegrationTest.cpp)
target_sources(vantor_integration_window PRIVATE WindowDragDropIntegrationTest.cpp)
