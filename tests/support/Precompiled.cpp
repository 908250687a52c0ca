// The translation unit that the tests' shared precompiled header (GoogleTest, GoogleMock and the standard
// headers most tests use) is built with; see tests/CMakeLists.txt.
