# The transfer queue against the real servers, plain and with explicit TLS.
vantor_integration_test(queue QueueIntegrationTest.cpp QueueAnonymousUploadTest.cpp QT LINKS vantor_queue)
