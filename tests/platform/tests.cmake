vr_wine_test(platform_tests
  tests/platform/stream_test.cpp
  tests/platform/thread_test.cpp)
