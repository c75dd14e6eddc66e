# The protocol layer's client against the real servers, plain and with explicit TLS.
vantor_integration_test(ftp FtpClientIntegrationTest.cpp LINKS vantor_ftp)
