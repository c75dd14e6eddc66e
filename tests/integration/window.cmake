# The main window against the real servers, offscreen.
vantor_integration_test(window WindowIntegrationTest.cpp WIDGETS LINKS vantor_ui_main)
