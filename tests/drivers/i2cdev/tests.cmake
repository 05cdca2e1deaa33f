# The i2c-dev bus driver against a fake adapter at its system-call boundary.
if(TARGET tvi2cdev)
  add_library(tvi2cdev_test_support STATIC drivers/i2cdev/fake_adapter.cpp drivers/i2cdev/driver_fixture.cpp)
  target_link_libraries(tvi2cdev_test_support PUBLIC tvcore_test_support tvi2cdev_headers tvhost
                        GTest::gtest ${CMAKE_DL_LIBS})

  tvcore_add_gtest(i2cdev_driver_test
    SOURCES drivers/i2cdev/transfers_test.cpp drivers/i2cdev/connect_test.cpp
    LIBS tvi2cdev_test_support
    DEPENDS tvi2cdev)
endif()

# The driver behind the library's bus link (the library's internals from
# tvcore_static, the driver loaded by the host as at module load).
if(TARGET tvi2cdev AND TARGET tvcore_static)
  tvcore_add_gtest(i2cdev_link_test
    SOURCES drivers/i2cdev/link_test.cpp
    LIBS tvi2cdev_test_support tvcore_static
    DEPENDS tvi2cdev)
endif()

# The driver picked by the module path when the whole library is loaded
# (a program of its own: the library's exports must come from tvcore.so only).
if(TARGET tvi2cdev AND TARGET tvcore AND TARGET tvsimcard)
  tvcore_add_gtest(i2cdev_module_path_test
    SOURCES drivers/i2cdev/module_path_test.cpp
    LIBS tvi2cdev_test_support
    DEPENDS tvi2cdev tvcore tvsimcard)
endif()
