# Third-party libraries, all from Debian 12 packages (scripts/packages.txt).
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network Svg Test DBus)
# Qt's test library tells every file that uses it its own source and build folders, for
# QFINDTESTDATA, which no test here uses: those two names would make each such compilation depend
# on where the checkout is, and so miss a compiler cache that another clone filled.
set_property(TARGET Qt6::Test PROPERTY INTERFACE_COMPILE_DEFINITIONS QT_TESTLIB_LIB)
find_package(Threads REQUIRED)
find_package(Boost 1.74 REQUIRED COMPONENTS context)
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng16)
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)
# A SIMD JSON parser in front of jsoncpp, for the large synchronisation answers.
find_package(simdjson REQUIRED)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
# The local service: HTTP(S) server, its own plain SQLite state, voice clips and zlib for PNG output.
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(SPEEX REQUIRED IMPORTED_TARGET speex)
find_package(ZLIB REQUIRED)
# The desktop's secret store (the Secret Service).
pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)
include(GoogleTest)
