# The drivers' support library on its own.
tvcore_add_gtest(support_driver_support_test
  SOURCES drivers/support/kept_text_test.cpp
  LIBS tvdriver_support)
