#pragma once
// The server's trace and debug switches, shared by every thread.

#include <atomic>
#include <cstdint>

namespace typestone {

class TraceSettings
{
public:
    static bool tracerOn() { return s_tracerOn; }
    static void setTracerOn(bool on) { s_tracerOn = on; }
    static bool dbgOption() { return s_dbgOption; }
    static void setDbgOption(bool on) { s_dbgOption = on; }
    static bool timing() { return s_timing; }
    static void setTiming(bool on) { s_timing = on; }
    static bool extendedDebug() { return s_extendedDebug; }
    static void setExtendedDebug(bool on) { s_extendedDebug = on; }
    // Kept and saved with the options; the overwrite question does not depend on it.
    static bool overwrite() { return s_overwrite; }
    static void setOverwrite(bool on) { s_overwrite = on; }
    static uint32_t trzLevel() { return s_trzLevel; }
    static void setTrzLevel(uint32_t level) { s_trzLevel = level; }
    // The job log is written only while this is on (the "JobLogging" setting).
    static bool jobLogging() { return s_jobLogging; }
    static void setJobLogging(bool on) { s_jobLogging = on; }

private:
    static inline std::atomic<bool> s_tracerOn{false};
    static inline std::atomic<bool> s_dbgOption{false};
    static inline std::atomic<bool> s_timing{false};
    static inline std::atomic<bool> s_extendedDebug{false};
    static inline std::atomic<bool> s_overwrite{true};
    static inline std::atomic<uint32_t> s_trzLevel{0};
    static inline std::atomic<bool> s_jobLogging{false};
};

} // namespace typestone
