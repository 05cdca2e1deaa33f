// Text a driver hands to the host through its optional word exports
// (tvbusDescribeDevice, mxdRefusalReason, ...): the copy-out rule they all
// share, and a line kept from connect time to be asked for later.
#pragma once

#include <cstdint>
#include <mutex>

namespace tvdrv {

// Copies `from` into `text`, cut short to fit `size` and NUL-terminated
// (nothing when `text` is null or `size` is 0); answers from's full length.
uint32_t PutText(const char *from, char *text, uint32_t size);

// One line a driver keeps to say later (the device it drives, why its last
// connect refused): set on the connect path, asked from any thread.
class KeptText {
public:
    void Set(const char *format, ...) __attribute__((format(printf, 2, 3)));  // NOLINT(cert-dcl50-cpp)
    void Clear();
    bool Empty() const;
    // As PutText; 0 when nothing is kept.
    uint32_t Put(char *text, uint32_t size) const;

private:
    mutable std::mutex lock_;
    char text_[768] = "";
};

}  // namespace tvdrv
