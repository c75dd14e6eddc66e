# Names that are not UTF-8 on the real servers: the browsing worker and further
# connections, with the bytes on disk checked.
vantor_integration_test(names NamesIntegrationTest.cpp QT LINKS vantor_engine)
