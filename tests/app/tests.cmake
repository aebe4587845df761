vr_wine_test(app_tests
  tests/app/main_window_test.cpp
  tests/support/app_fixture.cpp)
