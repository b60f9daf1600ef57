#pragma once
// What SDL's audio threads have asked of the heap, the file system and GLib's
// locks since the last reset. See audio_thread_probe.cpp.
namespace fanbord::probe {

struct Counts {
    long heap, frees, opens, locks;
};

void reset();
Counts counts();

} // namespace fanbord::probe
