# Stored hosts on the command line: the `hosts` listing, and a login with a stored
# host's deciphered password found by the --host helper of the FTP subcommands.
vantor_integration_test(hosts HostOptionIntegrationTest.cpp
    "${CMAKE_SOURCE_DIR}/src/cli/HostOption.cpp"
    "${CMAKE_SOURCE_DIR}/src/cli/FtpUrl.cpp"
    "${CMAKE_SOURCE_DIR}/src/cli/CliPassword.cpp"
    "${CMAKE_SOURCE_DIR}/src/cli/CliCommand.cpp"
    QT LINKS vantor_core vantor_ftp)
target_include_directories(vantor_integration_hosts PRIVATE "${CMAKE_SOURCE_DIR}/src/cli")
add_dependencies(vantor_integration_hosts vantor-ftp-cli)
