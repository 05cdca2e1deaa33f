// One tvctl command in a session of its own on the V4L2 bus, in process, as
// `tvctl --v4l2-device /dev/video0 --json WORDS` runs it.
#pragma once

#include "commands.h"
#include "session.h"

namespace tvtest {

inline tvctl::Reply RunTvctlOnV4l2(const tvctl::Words &words) {
    tvctl::GlobalOptions options;
    options.json = true;
    options.host.bus = tvctl::BusChoice::V4l2;
    options.host.busGiven = true;
    options.host.v4l2Device = "/dev/video0";
    tvctl::Console console(true);
    tvctl::Session session(options, console);
    return tvctl::RunOneCommand(session, words);
}

}  // namespace tvtest
