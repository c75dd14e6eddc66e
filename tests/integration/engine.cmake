# The browsing worker against the real servers, plain and with explicit TLS.
vantor_integration_test(engine EngineIntegrationTest.cpp QT LINKS vantor_engine)
