#include "sim_model.h"

namespace tvmixsim {

SimLine *SimDevice::FindLine(DWORD lineId) {
    for (SimLine &line : lines)
        if (line.id == lineId) return &line;
    return nullptr;
}

SimLine *SimDevice::FindDestination(DWORD destination) {
    for (SimLine &line : lines)
        if (line.source == kNoSource && line.destination == destination) return &line;
    return nullptr;
}

SimLine *SimDevice::FindSource(DWORD destination, DWORD source) {
    for (SimLine &line : lines)
        if (line.source != kNoSource && line.destination == destination && line.source == source) return &line;
    return nullptr;
}

DWORD SimDevice::ConnectionCount(DWORD destination) const {
    DWORD count = 0;
    for (const SimLine &line : lines)
        if (line.source != kNoSource && line.destination == destination) ++count;
    return count;
}

SimControl *SimDevice::FindControl(DWORD controlId, SimLine **owner) {
    for (SimLine &line : lines)
        for (SimControl &control : line.controls)
            if (control.id == controlId) {
                if (owner != nullptr) *owner = &line;
                return &control;
            }
    return nullptr;
}

namespace {

struct LineSpec {
    DWORD componentType;
    DWORD targetType;
    const char *shortName, *name;
    bool volume, mute;
};

class DeviceBuilder {
public:
    explicit DeviceBuilder(const SimConfig &config) : config_(config) {}

    void Destination(const LineSpec &shape) {
        destination_ = destinations_++;
        source_ = 0;
        // Destination line ids carry the high word 0xFFFF; sources carry their
        // source number + 1 there, so no line id is 0.
        Add(shape, 0xFFFF0000u | destination_, kNoSource);
    }

    void Source(const LineSpec &shape) {
        DWORD source = source_++;
        Add(shape, ((source + 1) << 16) | destination_, source);
    }

    SimDevice Take() { return std::move(device_); }

private:
    void Add(const LineSpec &shape, DWORD id, DWORD source) {
        SimLine line;
        line.id = id;
        line.destination = destination_;
        line.source = source;
        line.componentType = shape.componentType;
        line.targetType = shape.targetType;
        line.shortName = shape.shortName;
        line.name = shape.name;
        if (shape.volume) {
            DWORD middle = config_.volumeMin + (config_.volumeMax - config_.volumeMin) / 2;
            line.controls.push_back(Control(MIXERCONTROL_CONTROLTYPE_VOLUME, config_.volumeMin, config_.volumeMax, middle));
        }
        if (shape.mute) line.controls.push_back(Control(MIXERCONTROL_CONTROLTYPE_MUTE, 0, 1, 0));
        device_.lines.push_back(std::move(line));
    }

    SimControl Control(DWORD type, DWORD min, DWORD max, DWORD value) {
        SimControl control;
        control.id = ++controls_;
        control.type = type;
        control.min = min;
        control.max = max;
        control.values[0] = control.values[1] = value;
        return control;
    }

    const SimConfig &config_;
    SimDevice device_;
    DWORD destinations_ = 0, destination_ = 0, source_ = 0, controls_ = 0;
};

}  // namespace

SimDevice BuildDevice(const SimConfig &config, uint32_t index) {
    (void)index;  // every device has the same lines; the device number tells them apart
    DeviceBuilder build(config);
    build.Destination({MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_TARGETTYPE_WAVEOUT, "Volume", "Speakers",
                       true, true});
    build.Source({MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERLINE_TARGETTYPE_WAVEOUT, "Wave", "Wave", true, true});
    build.Source({MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXERLINE_TARGETTYPE_UNDEFINED, "CD", "CD Audio", true,
                  true});
    build.Source({MIXERLINE_COMPONENTTYPE_SRC_LINE, MIXERLINE_TARGETTYPE_UNDEFINED, "Line", "Line In", true, true});
    build.Source({MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERLINE_TARGETTYPE_UNDEFINED, "Mic", "Microphone", true,
                  true});
    if (config.auxLine)
        build.Source({MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, MIXERLINE_TARGETTYPE_AUX, "Aux", "Auxiliary",
                      config.auxVolume, config.auxMute});
    build.Destination({MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERLINE_TARGETTYPE_WAVEIN, "Recording",
                       "Recording Control", true, false});
    build.Source({MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERLINE_TARGETTYPE_UNDEFINED, "Mic", "Microphone", true,
                  false});
    build.Source({MIXERLINE_COMPONENTTYPE_SRC_LINE, MIXERLINE_TARGETTYPE_UNDEFINED, "Line", "Line In", true, false});
    return build.Take();
}

}  // namespace tvmixsim
