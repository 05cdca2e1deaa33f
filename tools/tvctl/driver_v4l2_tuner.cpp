#include "driver_v4l2_tuner.h"

#include "bus_words.h"
#include "driver_file.h"
#include "module_lookup.h"

namespace tvctl {

std::optional<V4l2TunerCalls> V4l2Tuner(const Session &session) {
    HMODULE bus = session.BusModule();
    V4l2TunerCalls calls{};
    if (bus == nullptr || !LookUp(bus, "TvV4l2ListStandards", calls.listStandards) ||
        !LookUp(bus, "TvV4l2GetStandard", calls.getStandard) || !LookUp(bus, "TvV4l2SetStandard", calls.setStandard) ||
        !LookUp(bus, "TvV4l2ReadTuner", calls.readTuner) || !LookUp(bus, "TvV4l2SetAudioMode", calls.setAudioMode))
        return std::nullopt;
    return calls;
}

std::string V4l2Failure(const Session &session, uint32_t errorClass) {
    return DescribeWriteResult(session.Words(), TVBUS_CALL_WRITE, TVV4L2_WRITE_FAILURE(errorClass));
}

std::vector<TvV4l2Standard> V4l2Standards(const Session &session, const V4l2TunerCalls &calls, std::string &error) {
    std::vector<TvV4l2Standard> standards(TVV4L2_MAX_STANDARDS);
    uint32_t count = 0;
    if (uint32_t failed = calls.listStandards(standards.data(), TVV4L2_MAX_STANDARDS, &count); failed != 0) {
        error = "the device's standards cannot be listed: " + V4l2Failure(session, failed);
        return {};
    }
    standards.resize(count);
    return standards;
}

bool ListV4l2Devices(const std::string &moduleDir, std::vector<TvV4l2DeviceInfo> &devices, std::string &error) {
    // The driver module itself lists what it sees; it needs no card and no
    // library for that.
    return UseDriverCall<decltype(&TvV4l2ListDevices)>(
        moduleDir, "v4l2/tvbus16.so", "V4L2 bus driver", "TvV4l2ListDevices", "offers no device listing", error,
        [&](auto list) {
            list(
                [](const TvV4l2DeviceInfo *device, void *context) {
                    static_cast<std::vector<TvV4l2DeviceInfo> *>(context)->push_back(*device);
                    return 1;
                },
                &devices);
        });
}

}  // namespace tvctl
