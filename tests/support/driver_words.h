// Asking a driver's optional word export (tvbusDescribeDevice,
// mxdRefusalReason, ...) as a caller does: the length first, then the text
// into a buffer of exactly that room. A length that disagrees between the
// two asks, or a text that is not terminated where the length says, fails
// the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tvtest {

template <typename Ask>
std::string AskWords(Ask ask) {
    const uint32_t length = ask(nullptr, 0);
    std::string text(length + 1, '\x7F');
    EXPECT_EQ(ask(text.data(), length + 1), length);
    EXPECT_EQ(text[length], '\0') << "the text is terminated where its length says";
    text.resize(length);
    return text;
}

}  // namespace tvtest
