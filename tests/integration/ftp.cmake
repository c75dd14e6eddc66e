# The protocol layer's client against the real servers, plain and with explicit TLS, and
# against the TLS 1.3-only ones.
vantor_integration_test(ftp FtpClientIntegrationTest.cpp Tls13IntegrationTest.cpp LINKS vantor_ftp)
