# vantor-ftp-cli run as a process against the real servers, plain and with TLS.
vantor_integration_test(cli CliIntegrationTest.cpp QT LINKS vantor_core)
add_dependencies(vantor_integration_cli vantor-ftp-cli)
